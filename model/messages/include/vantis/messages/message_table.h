// A program's numbered user messages (its string table), kept as data in one
// place per program and replaceable by translations.
//
// Texts are printf-style ("%d", "%s", "%02d", "%.1f"). Formatting never trusts
// the text: each directive takes the next argument whatever its type (a number
// for "%s" is printed in decimal, a string for "%d" as it is), and a directive
// without an argument stays as written. So a translation with different
// directives cannot crash the program.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace vantis::messages {

using MessageArg = std::variant<long long, double, std::string>;

// Formats a printf-style text with the arguments in order.
std::string FormatText(std::string_view text, std::initializer_list<MessageArg> args);

class MessageTable {
  public:
    MessageTable(std::initializer_list<std::pair<const int, std::string>> defaults);

    // The text of a message; empty for an unknown id.
    std::string Text(int id) const;
    bool Has(int id) const;
    std::string Format(int id, std::initializer_list<MessageArg> args) const;

    // Translations: replace one text, or many from a JSON object whose keys are
    // the ids ({"158": "..."}); RestoreDefaults undoes every replacement.
    void Override(int id, std::string text);
    bool LoadOverrides(const std::filesystem::path& jsonFile, std::string* error);
    void RestoreDefaults();

    const std::map<int, std::string>& Defaults() const { return defaults_; }

  private:
    const std::map<int, std::string> defaults_;
    mutable std::mutex mutex_;
    std::map<int, std::string> overrides_;
};

}  // namespace vantis::messages
