// The private-profile functions as pure functions over a file's bytes, answering as
// Wine 8's kernel32 does (recorded answers in tests/profiles hold them to it). The
// simulated platform reads the file, calls these, and writes back what they hand over.
//
// The readers take the bytes, parsed afresh, or a parse kept while the file is unchanged
// (as Windows keeps the profile it read last).
// The file is ANSI (code page 1252) unless it starts with a UTF-8 or UTF-16 byte-order
// mark, which is kept when the file is rewritten.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zep::sim {

// GetPrivateProfileStringA. content == nullptr: the file does not exist. section ==
// nullptr lists the section names, key == nullptr the keys of the section, NUL-separated
// and ending in an empty name. A list cut by too small a buffer returns size - 2 and ends
// with its cut name and one NUL at buf[size - 2] (Wine 8 leaves buf[size - 1] alone where
// Windows writes a second NUL). Returns what the Win32 function returns; bytes of buf past
// the answer's NUL are left as they were.
std::uint32_t ProfileGetString(const std::string* content, const char* section,
                               const char* key, const char* fallback, char* buf,
                               std::uint32_t size);

// GetPrivateProfileIntA.
std::uint32_t ProfileGetInt(const std::string* content, const char* section, const char* key,
                            int fallback);

// A file's bytes parsed, for several reads of an unchanged file (nullptr: no file).
struct Profile;
std::shared_ptr<const Profile> ProfileParse(const std::string* content);
std::uint32_t ProfileGetString(const Profile& profile, const char* section, const char* key,
                               const char* fallback, char* buf, std::uint32_t size);
std::uint32_t ProfileGetInt(const Profile& profile, const char* section, const char* key, int fallback);

// WritePrivateProfileStringA. file is the file's bytes, std::nullopt when it does not
// exist. key == nullptr deletes the section, value == nullptr deletes the key. When the
// call changes the profile, *file becomes the whole new file (creating it if it was
// missing) and *rewritten, if given, is set; otherwise both are left alone and the
// caller must not touch the file (Windows does not rewrite it). Returns what the Win32
// function returns. The caller handles what happens outside the bytes: a file that
// cannot be opened or written makes the real function return FALSE.
bool ProfileWriteString(std::optional<std::string>& file, const char* section, const char* key,
                        const char* value, bool* rewritten = nullptr);

}  // namespace zep::sim
