#include "discovery/support_facts.h"

namespace {

// Keys are JSON's ("capture_node"); people read them with spaces, except
// the driver's own names ("GET_LEN").
std::string Label(const std::string& key) {
    std::string label = key;
    if (label.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos) return label;
    for (char& c : label)
        if (c == '_') c = ' ';
    return label;
}

std::string Scalar(const SupportFacts& value) {
    if (value.is_null()) return "-";
    if (value.is_string()) return value.get<std::string>();
    if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
    return value.dump();
}

bool AllScalars(const SupportFacts& items) {
    for (const SupportFacts& item : items)
        if (item.is_structured()) return false;
    return true;
}

// Scalars on one line: "selector: 2, GET_LEN: 2" for an object, "a, b" for an array.
std::string OneLine(const SupportFacts& items) {
    std::string line;
    for (auto it = items.begin(); it != items.end(); ++it)
        line += (line.empty() ? "" : ", ") + (items.is_object() ? Label(it.key()) + ": " : "") + Scalar(*it);
    return line;
}

void Render(const SupportFacts& object, const std::string& indent, std::string* out);

// An array of objects, numbered: "[1] selector: 2, GET_LEN: 2", or the
// number on a line of its own above an object that nests.
void RenderItems(const SupportFacts& items, const std::string& indent, std::string* out) {
    size_t n = 0;
    for (const SupportFacts& item : items) {
        const std::string number = indent + "  [" + std::to_string(++n) + "]";
        if (item.is_object() && AllScalars(item)) {
            *out += number + " " + OneLine(item) + "\n";
        } else {
            *out += number + "\n";
            Render(item, indent + "    ", out);
        }
    }
}

void Render(const SupportFacts& object, const std::string& indent, std::string* out) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        const SupportFacts& value = it.value();
        const std::string head = indent + Label(it.key()) + ":";
        if (value.is_object()) {
            *out += head + "\n";
            Render(value, indent + "  ", out);
        } else if (value.is_array() && AllScalars(value)) {
            *out += head + " " + (value.empty() ? "none" : OneLine(value)) + "\n";
        } else if (value.is_array()) {
            *out += head + (value.empty() ? " none" : "") + "\n";
            RenderItems(value, indent, out);
        } else {
            *out += head + " " + Scalar(value) + "\n";
        }
    }
}

}  // namespace

std::string SupportFactsText(const SupportFacts& facts) {
    std::string text;
    Render(facts, "", &text);
    return text;
}
