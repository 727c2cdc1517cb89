// Base64 text (RFC 4648 alphabet, '=' padding to a multiple of four, no line breaks).
#pragma once

#include <string>
#include <string_view>

std::string StrToBase64(std::string_view Bytes);
// Accepts only texts whose length is a multiple of four and above 3 ("Illegal input length"),
// made of the alphabet with at most two '=' at the very end ("Illegal character in Base64
// input"). Raises EConvertError.
std::string Base64ToStr(std::string_view Text);
