// The window's edge to the files' code page: cp1251 bytes to Qt text and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

QString FromCp1251(std::string_view Text);
// Characters the code page has no byte for are dropped; the name field lets in none of them.
std::string ToCp1251(const QString& Text);
