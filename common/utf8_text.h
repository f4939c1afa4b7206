#pragma once

#include <cstddef>
#include <string>

// Texts that leave the service (replies, log lines) are valid UTF-8 and are
// never cut inside a character.

// `text` with every byte that does not belong to a valid UTF-8 sequence
// (stray continuation bytes, truncated or overlong sequences, surrogates,
// code points above U+10FFFF) replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

// The length of the longest prefix of `text` that has at most `maxBytes`
// bytes and does not end inside a UTF-8 sequence.
size_t Utf8CutLength(const std::string& text, size_t maxBytes);

// `text` without its carriage returns and line feeds.
std::string WithoutLineBreaks(const std::string& text);
