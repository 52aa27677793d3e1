// Turning the program's byte texts into what Qt shows. The program's own
// texts are code page 1251; names from the file system are shown as UTF-8
// when they are valid UTF-8 and as code page 1251 otherwise. Bytes are never
// changed in place: only the shown text is decoded.
#pragma once

#include <QString>
#include <string_view>

QString decodeCp1251(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);
QString decodeScreenText(std::string_view bytes);
