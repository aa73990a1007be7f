#pragma once

#include <QByteArray>
#include <QString>

class ListModel;
class Platform;
class RowSelection;
class SaveRegistry;

// The result list's exports as general procedures: they take any report-style
// list, with any number of columns (column 1 is a row's own text, column c > 1
// its sub-item c - 1), and let events run as they go, so a click may change
// the list under them. A row that disappears meanwhile throws RuntimeError
// 35600 and ends the procedure there.
namespace Main {

// Puts the list on the clipboard as padded, TAB-separated lines ended by CR LF
// (see ListFormats::BuildClipboardText). An empty list leaves the clipboard as
// it was. When the list shows check boxes, only ticked rows are copied.
void CopyListToClipboard(Platform &platform, ListModel &list);

// Puts the selected rows' texts on the clipboard in list order, each ended by
// CR LF: a row as it stands (blanks at its end kept, so that a paste gives it
// back), a row kept as bytes as it is shown. Nothing selected leaves the
// clipboard as it was.
void CopySelectionToClipboard(Platform &platform, ListModel &list, const RowSelection &selection);

// Each makes up to 1000 attempts, at once and without a message; a failure
// that outlasts them is dropped.
void ClearClipboard(Platform &platform);
// The text in UTF-8; format 0 is plain text. True when the last attempt worked.
bool SetClipboardText(Platform &platform, const QByteArray &text, int format);

constexpr int kClipboardAttempts = 1000;

// "Are you sure you wish to overwrite <name> ?"
QString OverwriteQuestion(const QString &fileName);

// Asks before replacing an existing file, then writes the list comma-delimited
// (see ListFormats::WriteCommaDelimited). The old file is replaced only when
// every row was written; on any failure it stays as it was and the error is
// thrown to the caller.
void SaveListCommaDelimited(Platform &platform, ListModel &list, const QString &fileName,
                            SaveRegistry *saves = nullptr);

} // namespace Main
