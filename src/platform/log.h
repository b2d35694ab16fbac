#pragma once

// The support log: one plain text file, log/varnet.log in the client's folder (the current
// folder), the previous run's file kept as log/varnet.1.log. Every process of the client
// appends to the same file: the browser process starts a new run, render processes (WebKit's web
// process, CEF's renderer) continue it. Each line is appended in one write that other processes'
// appends cannot split or overwrite, so no process holds the file open or needs to hear from
// another. A run stops writing at a size limit (one last line says so).
//
//   log::info("unzip start root=", log::quoted(root), " mode=", mode);
//   2026-12-09T13:02:11.042Z render[4242] info unzip start root="/games/" mode=0
//
// Texts from pages, archives and download tasks are hostile: control characters are escaped,
// so that no text can end its line or forge another. Tickets, passwords and opened download
// tasks are never given to the log. Any thread may log.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace varnet::log {

enum class Run {
  New,       // the browser process's start: the last run's file becomes varnet.1.log
  Continue,  // a render process: lines go after the browser process's
};

inline constexpr std::uintmax_t kSizeLimit = 4 * 1024 * 1024;

// Lines logged before this call wait in memory (a bounded number) and are written now; lines
// logged in a process that never opens the log are dropped. `role` names the process in each
// line ("browser", "render").
void open(const std::u16string& clientFolder,
          Run run,
          std::string_view role,
          std::uintmax_t sizeLimit = kSizeLimit);

// Back to the state before open (for tests): later lines wait in memory again.
void close();

// A text shown in double quotes, its quotes and control characters escaped.
struct Quoted {
  std::string text;
};
Quoted quoted(std::u16string_view text);
Quoted quoted(std::string_view text);

// An address in quotes without its query and fragment, which can carry a ticket or a session.
Quoted address(std::u16string_view url);

namespace detail {

enum class Level { Info, Warning };

void append(std::string& line, std::string_view text);
void append(std::string& line, std::u16string_view text);
void append(std::string& line, const Quoted& text);
inline void append(std::string& line, const char* text) {
  append(line, std::string_view(text));
}
inline void append(std::string& line, const char16_t* text) {
  append(line, std::u16string_view(text));
}
inline void append(std::string& line, const std::string& text) {
  append(line, std::string_view(text));
}
inline void append(std::string& line, const std::u16string& text) {
  append(line, std::u16string_view(text));
}
inline void append(std::string& line, bool value) {
  line += value ? "true" : "false";
}
template <class Number, class = std::enable_if_t<std::is_arithmetic_v<Number>>>
void append(std::string& line, Number value) {
  line += std::to_string(value);
}

void write(Level level, std::string text);

// Platform-specific implementation.
enum class AppendResult { Written, Full, Failed };
// Appends `bytes` to the file at `path` (made when missing) in one write at its end, unless the
// file already holds `sizeLimit` bytes or more.
AppendResult appendToFile(const std::u16string& path,
                          std::string_view bytes,
                          std::uintmax_t sizeLimit);
unsigned long processId();

}  // namespace detail

template <class... Parts>
void info(const Parts&... parts) {
  std::string text;
  (detail::append(text, parts), ...);
  detail::write(detail::Level::Info, std::move(text));
}

template <class... Parts>
void warning(const Parts&... parts) {
  std::string text;
  (detail::append(text, parts), ...);
  detail::write(detail::Level::Warning, std::move(text));
}

}  // namespace varnet::log
