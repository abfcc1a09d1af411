#include "vantis/messages/message_table.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

namespace vantis::messages {

namespace {

// One argument printed for one directive. spec is the directive's flags,
// width and precision (validated: digits, '.', and "-+ 0#" only).
std::string Render(const std::string& spec, char conversion, const MessageArg& arg) {
    char buffer[512];
    const auto print = [&](const std::string& format, auto value) {
        std::snprintf(buffer, sizeof buffer, format.c_str(), value);
        return std::string(buffer);
    };
    switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'c':
            if (const auto* n = std::get_if<long long>(&arg)) {
                const char c = conversion == 'i' ? 'd' : conversion;
                if (c == 'c') return print("%" + spec + "c", static_cast<int>(*n));
                if (c == 'd') return print("%" + spec + "lld", *n);
                return print("%" + spec + "ll" + c, static_cast<unsigned long long>(*n));
            }
            if (const auto* d = std::get_if<double>(&arg))
                return print("%" + spec + "lld", static_cast<long long>(*d));
            return std::get<std::string>(arg);
        case 'f':
        case 'g':
        case 'e':
            if (const auto* d = std::get_if<double>(&arg)) return print("%" + spec + conversion, *d);
            if (const auto* n = std::get_if<long long>(&arg))
                return print("%" + spec + conversion, static_cast<double>(*n));
            return std::get<std::string>(arg);
        default:  // 's'
            if (const auto* s = std::get_if<std::string>(&arg)) {
                // Width and precision apply to text as printf would apply them.
                return print("%" + spec + "s", s->c_str());
            }
            if (const auto* n = std::get_if<long long>(&arg)) return std::to_string(*n);
            return print("%g", std::get<double>(arg));
    }
}

}  // namespace

std::string FormatText(std::string_view text, std::initializer_list<MessageArg> args) {
    std::string out;
    auto next = args.begin();
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion
        std::size_t j = i + 1;
        std::string spec;
        while (j < text.size() && std::string_view("-+ 0").find(text[j]) != std::string_view::npos)
            spec += text[j++];
        int digits = 0;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9' && digits < 3) spec += text[j++], ++digits;
        if (j < text.size() && text[j] == '.') {
            spec += text[j++];
            digits = 0;
            while (j < text.size() && text[j] >= '0' && text[j] <= '9' && digits < 3)
                spec += text[j++], ++digits;
        }
        while (j < text.size() && (text[j] == 'l' || text[j] == 'h')) ++j;  // length marks
        const char conversion = j < text.size() ? text[j] : '\0';
        const bool known =
            conversion != '\0' && std::string_view("diuxXcfgesS").find(conversion) != std::string_view::npos;
        if (!known || next == args.end()) {
            // Not a directive we fill: keep the text as written.
            const std::size_t end = std::min(j + 1, text.size());
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        out += Render(spec, conversion == 'S' ? 's' : conversion, *next++);
        i = j + 1;
    }
    return out;
}

MessageTable::MessageTable(std::initializer_list<std::pair<const int, std::string>> defaults)
    : defaults_(defaults) {}

std::string MessageTable::Text(int id) const {
    {
        std::lock_guard lock(mutex_);
        if (auto it = overrides_.find(id); it != overrides_.end()) return it->second;
    }
    auto it = defaults_.find(id);
    return it == defaults_.end() ? std::string() : it->second;
}

bool MessageTable::Has(int id) const {
    return defaults_.count(id) != 0;
}

std::string MessageTable::Format(int id, std::initializer_list<MessageArg> args) const {
    return FormatText(Text(id), args);
}

void MessageTable::Override(int id, std::string text) {
    std::lock_guard lock(mutex_);
    overrides_[id] = std::move(text);
}

void MessageTable::RestoreDefaults() {
    std::lock_guard lock(mutex_);
    overrides_.clear();
}

bool MessageTable::LoadOverrides(const std::filesystem::path& jsonFile, std::string* error) {
    std::ifstream in(jsonFile);
    if (!in) {
        if (error) *error = "cannot open " + jsonFile.string();
        return false;
    }
    const auto json = nlohmann::json::parse(in, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        if (error) *error = jsonFile.string() + ": expected a JSON object of id: text";
        return false;
    }
    std::map<int, std::string> texts;
    for (const auto& [key, value] : json.items()) {
        int id = 0;
        char tail = 0;
        if (std::sscanf(key.c_str(), "%d%c", &id, &tail) != 1 || !value.is_string()) {
            if (error) *error = jsonFile.string() + ": entry \"" + key + "\" is not an id with a text";
            return false;
        }
        texts[id] = value.get<std::string>();
    }
    std::lock_guard lock(mutex_);
    for (auto& [id, text] : texts) overrides_[id] = std::move(text);
    return true;
}

}  // namespace vantis::messages
