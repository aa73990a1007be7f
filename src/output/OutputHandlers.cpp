// The result list's clear, clipboard copy and two saves.
#include "shell/Form1.h"

void Form1::PushButton3_Click() {}
void Form1::PushButton5_Click() {}
void Form1::PushButton6_Click() {}
void Form1::PushButton7_Click() {}
