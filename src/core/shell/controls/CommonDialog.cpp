#include "core/shell/controls/CommonDialog.h"

#include "core/shell/platform/RuntimeError.h"

void CommonDialog::show(FileDialogRequest::Kind kind)
{
    FileDialogRequest request;
    request.kind = kind;
    request.fileName = fileName_;
    request.flags = flags_;
    request.title = title_;
    request.filter = filter_;
    request.bufferChars = maxFileSize_;
    QString chosen;
    cancelled_ = !platform_.FileDialog(request, &chosen);
    if (cancelled_)
        return;
    // The buffer also holds the terminating NUL.
    if (chosen.size() >= maxFileSize_)
        throw FileNameBufferTooSmall();
    fileName_ = chosen;
}
