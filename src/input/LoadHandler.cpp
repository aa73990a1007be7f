// Loading entries from text files.
#include "shell/Form1.h"

void Form1::PushButton4_Click()
{
    // Built with the file loading.
}
