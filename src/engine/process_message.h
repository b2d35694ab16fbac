#pragma once

// A process message: a name and an ordered list of arguments, each a signed 32-bit integer or a
// UTF-16 text. The bridge sends them from the render process to the browser process.

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace varnet::engine {

class ProcessMessage {
 public:
  using Value = std::variant<std::int32_t, std::u16string>;

  ProcessMessage() = default;
  explicit ProcessMessage(std::string name, std::vector<Value> arguments = {})
      : name_(std::move(name)), arguments_(std::move(arguments)) {}

  const std::string& GetName() const { return name_; }
  const std::vector<Value>& GetArgumentList() const { return arguments_; }
  std::vector<Value>& GetArgumentList() { return arguments_; }
  std::size_t GetSize() const { return arguments_.size(); }

  bool IsInt(std::size_t index) const {
    return index < arguments_.size() && std::holds_alternative<std::int32_t>(arguments_[index]);
  }
  bool IsString(std::size_t index) const {
    return index < arguments_.size() && std::holds_alternative<std::u16string>(arguments_[index]);
  }
  // Like the engine's list values: a missing argument or one of the other type reads as 0 / "".
  std::int32_t GetInt(std::size_t index) const {
    return IsInt(index) ? std::get<std::int32_t>(arguments_[index]) : 0;
  }
  std::u16string GetString(std::size_t index) const {
    return IsString(index) ? std::get<std::u16string>(arguments_[index]) : std::u16string();
  }

  friend bool operator==(const ProcessMessage& a, const ProcessMessage& b) {
    return a.name_ == b.name_ && a.arguments_ == b.arguments_;
  }

 private:
  std::string name_;
  std::vector<Value> arguments_;
};

}  // namespace varnet::engine
