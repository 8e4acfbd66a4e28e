#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace qv {

// Profile (INI) files: UTF-8 text, lines ending in LF or CR LF.
//
//   [Section]        opens a section; blanks inside the brackets are ignored, text after "]"
//                    too; a header without "]" runs to the end of its line.
//   Key = Value      a setting; blanks around the key and the value are ignored.
//   ; or #           a line starting with one of these (after blanks) is a comment.
// Anything else (blank lines, junk, settings before the first header) is ignored on reading
// and kept byte for byte by writes. Section and key names compare without regard to case.
// A key is looked up in every section of its name, in file order; its first line wins.
// A UTF-8 byte order mark at the start of the file is skipped.
//
// A value is written as plain text after "=", unless reading it back would change it: when it
// holds a CR or LF, starts or ends with a blank (space or tab), or starts with the marker \"
// it is written as \"<escaped>" instead, where \\ stands for a backslash, \n for LF and \r for
// CR; the closing quote is the line's last character. Reading undoes this only for a value
// that starts with \" and ends with ", at least three characters long; any other backslash
// sequence inside stays as it is.
//   LastFileName=/home/ann/My Code/Hello.java
//   LastFileName=\"/tmp/odd\nname.java"

// The value of key in section, or nothing when the section or the key is missing.
std::optional<QString> profileLookup(const QByteArray &fileText, const QString &section,
                                     const QString &key);

// The file text with key in section set to value: the first line of the key gets the new value
// (the text up to "=" and the blanks after it stay); a missing key is added after the last
// setting line of the section's first header; a missing section is added at the end of the
// file. New lines take the line end of the file's first line (LF for a file without any).
// Names that no line could hold (empty, with CR or LF, blanks at either end, "]" in a
// section name, "=" in a key or a key starting with "[", ";" or "#") leave the text unchanged.
QByteArray profileUpdate(const QByteArray &fileText, const QString &section, const QString &key,
                         const QString &value);

// Reads a whole number: "0x"/"0X" and hex digits (more than two characters in all), or leading
// blanks and then either an optional sign and decimal digits within the int range or "$" and
// hex digits. Hex values take 32 bits; those above 0x7FFFFFFF give the negative int of the same
// bits. Anything else, the empty text included, gives def.
int parseProfileInteger(const QString &text, int def);

// One value to write: the section, the key and the value.
struct ProfileSetting
{
    QString section;
    QString key;
    QString value;
};

// A profile file given by bare name, kept in settingsDirectory(). Nothing is cached: every call
// reads or replaces the file itself.
class IniFile
{
public:
    explicit IniFile(const QString &bareName);

    QString fileName() const;
    QString path() const;

    // The file's text, empty when it is missing or cannot be read.
    QByteArray text() const;
    // The whole value, or def when the file, the section or the key is missing.
    QString readString(const QString &section, const QString &key, const QString &def) const;
    // The value read as by parseProfileInteger; def when it is missing or not a whole number.
    int readInteger(const QString &section, const QString &key, int def) const;
    // True when something is in the file's place but cannot be read as it (a folder, a file
    // without read permission): every read then gives its default.
    bool unreadable() const;

    // Sets the values in order, creating the settings directory, the file, the sections or the
    // keys as needed, with one read and one atomic replacement of the file. A key that already
    // holds its value keeps its line byte for byte, and a file that would not change is not
    // written at all. Throws Error("Unable to write to <bare name>") when a value cannot be
    // stored; the file is then as it was.
    void writeStrings(const QList<ProfileSetting> &settings);
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);

private:
    QString m_bareName;
};

} // namespace qv
