#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes indented JSON text. Keys and values come in document order; the writer
// places commas, line breaks and indentation.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(int number) { return value(static_cast<std::int64_t>(number)); }
    JsonWriter& value(double number);
    JsonWriter& value(bool flag);
    JsonWriter& null();
    // The value, or null when there is none.
    template <typename T>
    JsonWriter& optional(const std::optional<T>& maybe)
    {
        return maybe ? value(*maybe) : null();
    }

    // The document so far, ending in a line break once the outermost value is closed.
    const std::string& text() const { return out; }

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);
    void newLine();

    std::string out;
    // One entry per open object or array: whether it has an element yet.
    std::vector<bool> hasElements;
    bool afterKey = false;
};

// The text as a JSON string literal, quotes included. Valid UTF-8 passes
// through; control characters and bytes that are not valid UTF-8 are escaped
// (a stray byte as the code point of the same value), so the result is always
// valid JSON whatever bytes an instrument sent.
std::string jsonQuoted(std::string_view text);
