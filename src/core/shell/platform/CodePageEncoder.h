#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringConverter>
#include <QStringEncoder>
#include <QStringView>

// Text written to files in the system's code page. Where that is UTF-8
// (Linux, and Windows set to UTF-8) the lists' own UTF-8 bytes go out
// untouched. Meant for code pages that keep ASCII as it is (every system code
// page does): the layouts write their commas and line ends as plain bytes.
class CodePageEncoder {
public:
    explicit CodePageEncoder(QStringConverter::Encoding encoding = QStringConverter::System);

    void append(QByteArray &out, QByteArrayView utf8);
    void append(QByteArray &out, QStringView text);
    bool passesUtf8Through() const { return passThrough_; }

private:
    bool passThrough_;
    bool asciiAsIs_; // the 8-bit code pages keep ASCII bytes as they are
    QStringEncoder encoder_;
};
