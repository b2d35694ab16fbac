#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>

#include "platform/text.h"

namespace varnet::log {
namespace {

// Lines kept until the log is opened (a start-up step before the folder is known).
constexpr std::size_t kWaitingLinesLimit = 64;

struct State {
  std::mutex mutex;
  std::u16string path;  // empty until opened
  std::string role;
  std::uintmax_t sizeLimit = kSizeLimit;
  bool limitReported = false;
  // Lines logged before open, as time stamp and the rest: the role is known only then.
  std::deque<std::pair<std::string, std::string>> waiting;
};

State& state() {
  static State instance;
  return instance;
}

// Days since 1970-01-01 to a civil date (Howard Hinnant's algorithm), so that the time stamp
// needs no time-zone functions, which differ between the C runtimes.
void civilFromDays(long long days, int& year, unsigned& month, unsigned& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

std::string timeStamp() {
  using namespace std::chrono;
  const long long millis =
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  const long long days = (millis >= 0 ? millis : millis - 86399999) / 86400000;
  const long long ofDay = millis - days * 86400000;
  int year;
  unsigned month, day;
  civilFromDays(days, year, month, day);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lld.%03lldZ", year, month, day,
                ofDay / 3600000, ofDay / 60000 % 60, ofDay / 1000 % 60, ofDay % 1000);
  return text;
}

// Control characters and DEL become escapes; everything else (UTF-8 included) stays.
void appendEscaped(std::string& line, std::string_view text, bool escapeQuotes) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (c == '\t') {
      line += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      line += escape;
    } else if (escapeQuotes && (c == '"' || c == '\\')) {
      line += '\\';
      line += c;
    } else {
      line += c;
    }
  }
}

std::string formatLine(const State& s, const std::string& stamp, const std::string& rest) {
  return stamp + " " + s.role + "[" + std::to_string(detail::processId()) + "] " + rest + "\n";
}

void writeLine(State& s, const std::string& stamp, const std::string& rest) {
  if (s.limitReported)
    return;
  if (detail::appendToFile(s.path, formatLine(s, stamp, rest), s.sizeLimit) ==
      detail::AppendResult::Full) {
    s.limitReported = true;
    detail::appendToFile(
        s.path, formatLine(s, timeStamp(), "warning log size limit reached; later lines dropped"),
        UINTMAX_MAX);
  }
}

}  // namespace

void open(const std::u16string& clientFolder,
          Run run,
          std::string_view role,
          std::uintmax_t sizeLimit) {
  namespace fs = std::filesystem;
  State& s = state();
  std::lock_guard lock(s.mutex);
  const fs::path folder = toPath(clientFolder) / "log";
  std::error_code error;
  fs::create_directories(folder, error);
  if (run == Run::New) {
    fs::remove(folder / "varnet.1.log", error);
    fs::rename(folder / "varnet.log", folder / "varnet.1.log", error);
  }
  s.path = fromPath(folder / "varnet.log");
  s.role = std::string(role);
  s.sizeLimit = sizeLimit;
  s.limitReported = false;
  for (const auto& [stamp, rest] : s.waiting)
    writeLine(s, stamp, rest);
  s.waiting.clear();
}

void close() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.path.clear();
  s.waiting.clear();
}

Quoted quoted(std::string_view text) {
  Quoted result{"\""};
  appendEscaped(result.text, text, true);
  result.text += '"';
  return result;
}

Quoted quoted(std::u16string_view text) {
  return log::quoted(std::string_view(toUtf8(text)));
}

Quoted address(std::u16string_view url) {
  return log::quoted(url.substr(0, url.find_first_of(u"?#")));
}

namespace detail {

void append(std::string& line, std::string_view text) {
  appendEscaped(line, text, false);
}

void append(std::string& line, std::u16string_view text) {
  appendEscaped(line, toUtf8(text), false);
}

void append(std::string& line, const Quoted& text) {
  line += text.text;  // escaped when it was made
}

void write(Level level, std::string text) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  std::string rest = (level == Level::Warning ? "warning " : "info ") + text;
  if (!s.path.empty()) {
    writeLine(s, timeStamp(), rest);
  } else if (s.waiting.size() < kWaitingLinesLimit) {
    s.waiting.emplace_back(timeStamp(), std::move(rest));
  }
}

}  // namespace detail
}  // namespace varnet::log
