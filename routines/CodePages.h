#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Windows-1250 (Central European) and Windows-1251 (Cyrillic) from our own tables.
// Characters a code page cannot hold become '?'. Bytes the code page leaves undefined
// map to the control character of the same number and back, so no byte is lost.
QByteArray ToWin1250(const QString &text);
QString FromWin1250(const QByteArray &bytes);
QByteArray ToWin1251(const QString &text);
QString FromWin1251(const QByteArray &bytes);

// The import chain on 8-bit text. Every routine leaves bytes it does not understand
// as they are, so text already in Windows-1250 passes through unchanged.
//
// UTF8To1250: each well-formed UTF-8 sequence whose character Windows-1250 holds
// becomes that byte; other sequences (Cyrillic) and stray bytes stay.
QByteArray UTF8To1250(const QByteArray &text);
// Protects Windows-1250 letters from the Cyrillic steps: every byte above 127 that is
// not part of a UTF-8 sequence for a Windows-1251 character is replaced by an ASCII
// escape that EncodeWin1250Spec turns back.
QByteArray DecodeWin1250Spec(const QByteArray &text);
// As UTF8To1250, but a character neither Windows-1250 nor Windows-1251 holds becomes
// '?' (the code page's default character); Cyrillic stays UTF-8 for the chains.
QByteArray UTF8To1250KeepingCyrillic(const QByteArray &text);
// As UTF8To1250, for Windows-1251.
QByteArray UTF8To1251(const QByteArray &text);
// Windows-1251 Cyrillic letters to Serbian Latin in Windows-1250 (Љ -> Lj, Ћ -> Ć,
// Ж -> Ž ...); other Windows-1251 characters to their Windows-1250 byte or '?'.
QByteArray Win1251ToWin1250(const QByteArray &text);
QByteArray EncodeWin1250Spec(const QByteArray &text);
// The four Cyrillic steps above in one pass over the text: the same bytes as
// EncodeWin1250Spec(Win1251ToWin1250(UTF8To1251(DecodeWin1250Spec(text)))).
QByteArray CyrillicToLatin1250(const QByteArray &text);

// Appends Windows-1250 'bytes' as UTF-8, as FromWin1250(bytes).toUtf8() would give them.
void AppendWin1250AsUtf8(QByteArray &out, QByteArrayView bytes);

// Serbian Latin for one Cyrillic letter (Serbian, plus the other letters of
// Windows-1251); the character itself when it is not Cyrillic.
QString TransliterateCyrillic(QChar c);
