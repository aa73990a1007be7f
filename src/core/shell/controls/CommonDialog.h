#pragma once

#include "core/shell/platform/Platform.h"

// What the load and both saves set before every use: read-only box ticked,
// several files, Explorer style, long names, and no overwrite prompt (the saves
// ask their own question); text files first, then every file.
constexpr long kFileDialogFlags = 2621953;
inline constexpr char kFileDialogFilter[] = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";

// The window's one file dialog object, shared by the load and the two saves.
// It keeps its properties from one use to the next; each use sets flags, title
// and filter afresh.
class CommonDialog {
public:
    explicit CommonDialog(Platform &platform) : platform_(platform) {}

    QString fileName() const { return fileName_; }
    void setFileName(const QString &name) { fileName_ = name; }
    long flags() const { return flags_; }
    void setFlags(long flags) { flags_ = flags; }
    QString dialogTitle() const { return title_; }
    void setDialogTitle(const QString &title) { title_ = title; }
    QString filter() const { return filter_; }
    void setFilter(const QString &filter) { filter_ = filter; }
    int maxFileSize() const { return maxFileSize_; }
    void setMaxFileSize(int chars) { maxFileSize_ = chars; }

    // Modal. After OK the file name holds the choice; after Cancel it keeps
    // what it held and cancelled() is true. A choice longer than the name
    // buffer throws RuntimeError 20476 and changes nothing.
    void ShowOpen() { show(FileDialogRequest::Kind::Open); }
    void ShowSave() { show(FileDialogRequest::Kind::Save); }
    bool cancelled() const { return cancelled_; }

private:
    void show(FileDialogRequest::Kind kind);

    Platform &platform_;
    QString fileName_;
    long flags_ = 0;
    QString title_;
    QString filter_;
    int maxFileSize_ = 30000;
    bool cancelled_ = false;
};
