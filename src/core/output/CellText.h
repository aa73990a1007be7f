#pragma once

#include "core/shell/platform/CodePageEncoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace ListFormats {

// One cell as the list hands it over: a row's own text straight from its UTF-8
// storage (no QString per row), a raw row's own bytes, or a sub-item as text.
// A raw row is shown (clipboard) as the code page shows it (TextOfRawBytes)
// but written to files as its bytes, whatever the code page.
class CellText {
public:
    static CellText fromUtf8(QByteArrayView bytes) { return CellText(bytes, Kind::Utf8); }
    static CellText fromRaw(QByteArrayView bytes) { return CellText(bytes, Kind::Raw); }
    static CellText fromStored(QByteArrayView bytes, bool raw) { return raw ? fromRaw(bytes) : fromUtf8(bytes); }
    static CellText fromText(QString text) { return CellText(std::move(text)); }

    // In 16-bit units, as the width table counts.
    qsizetype length() const;
    // As text in UTF-8 (the clipboard's): its length in bytes, and the bytes
    // written at out, which has room for them: a raw row as the code page
    // shows it, a byte-order mark kept. Returns the end of what was written.
    qsizetype utf8Length() const;
    char *writeUtf8To(char *out) const;
    // As file bytes: text in the code page, a raw row as its own bytes.
    void encodeTo(QByteArray &out, CodePageEncoder &encoder) const;
    // The file bytes when they are the stored bytes as they are (a raw row,
    // or a row's UTF-8 where the code page is UTF-8): what encodeTo appends.
    bool storedBytesGoOut(const CodePageEncoder &encoder, QByteArrayView *bytes) const
    {
        if (kind_ == Kind::Raw || (kind_ == Kind::Utf8 && encoder.passesUtf8Through())) {
            *bytes = bytes_;
            return true;
        }
        return false;
    }

private:
    enum class Kind : unsigned char { Utf8, Raw, Text };
    CellText(QByteArrayView bytes, Kind kind) : bytes_(bytes), kind_(kind) {}
    explicit CellText(QString text) : text_(std::move(text)), kind_(Kind::Text) {}

    QByteArrayView bytes_;
    QString text_;
    Kind kind_;
};

} // namespace ListFormats
