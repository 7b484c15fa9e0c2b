#include <algorithm>
#include <array>
#include <string>

#include "history/compare_runs.h"
#include "report/core/findings_sarif.h"
#include "report/core/findings_text.h"
#include "report/core/report_writers.h"
#include "validation/layouts.h"

namespace quorvex {

namespace {

constexpr std::string_view kLimitReference = " or more Errors in submission";
constexpr std::string_view kLimitKind = "# or more Errors in submission";

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The length of the number at the start of `text`: digits, with the "," and "." between
// them, after a "-".
std::size_t NumberAt(std::string_view text) {
    std::size_t n = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::size_t start = n;
    while (n < text.size() && (Digit(text[n]) || ((text[n] == ',' || text[n] == '.') && n > start &&
                                                  n + 1 < text.size() && Digit(text[n + 1]))))
        ++n;
    return n > start ? n : 0;
}

// The length of the list of numbers at the start of `text` ("12, 13 and 15").
std::size_t NumbersAt(std::string_view text) {
    std::size_t n = NumberAt(text);
    for (std::size_t more = n; more > 0;) {
        more = 0;
        for (std::string_view joint : {std::string_view(", "), std::string_view(" and ")})
            if (text.substr(n).starts_with(joint))
                if (const std::size_t next = NumberAt(text.substr(n + joint.size())); next > 0)
                    more = joint.size() + next;
        n += more;
    }
    return n;
}

// What a finding puts in its message, by the words before it; anything else is the rule's.
enum class Data { Number, Numbers, ToTheEnd };
struct DataMark {
    std::string_view before;
    Data data;
};
constexpr std::array<DataMark, 6> kDataMarks{{
    {"record is ", Data::Number},              // "The calculated sum of ... record is 12413057."
    {"records (", Data::Number},               // "The number of RW records (12) since the last RE record ..."
    {"for Tax Year ", Data::Number},           // the record's tax year ...
    {"should not exceed $", Data::Number},     // ... and its maximum
    {"found in position(s) ", Data::Numbers},  // the positions of the characters found
    {"with SSN#: ", Data::ToTheEnd},           // the SSN of the record whose amount broke a sum
}};

// A rule's friendly name: words as one ("RwZipCodeMustBeNumericOrBlank"), without "#".
void AppendPascal(std::string& name, std::string_view words) {
    bool upper = true;
    for (char c : words) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || Digit(c);
        if (!alnum) {
            upper = true;
            continue;
        }
        if (name.empty() && Digit(c)) name += 'R';
        name += upper && c >= 'a' && c <= 'z'                       ? static_cast<char>(c - 'a' + 'A')
                : !upper && c >= 'A' && c <= 'Z' && name.size() < 2 ? static_cast<char>(c - 'A' + 'a')
                                                                    : c;
        upper = false;
    }
}

// The words that tell what a rule requires: its first `count` words that are neither the
// field's (`caption`), nor numbers, nor words any rule says ("the", "must", "field").
std::string KeyWords(std::string_view text, std::string_view caption, int count) {
    static constexpr std::array<std::string_view, 16> kCommon{"a",  "an",   "and", "be", "field", "for",  "in", "is",
                                                              "it", "must", "of",  "or", "the",   "this", "to", "with"};
    auto lower = [](std::string_view word) {
        std::string w;
        for (char c : word)
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || Digit(c)) w += static_cast<char>(c | 0x20);
        return w;
    };
    std::string words, fieldWords;
    for (std::size_t at = 0; at < caption.size();) {
        const std::size_t end = std::min(caption.find(' ', at), caption.size());
        Append(fieldWords, " ", lower(caption.substr(at, end - at)), " ");
        at = end + 1;
    }
    for (std::size_t at = 0; at < text.size() && count > 0;) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string w = lower(text.substr(at, end - at));
        at = end + 1;
        if (w.empty() || Digit(w[0]) || fieldWords.find(" " + w + " ") != std::string::npos ||
            std::find(kCommon.begin(), kCommon.end(), w) != kCommon.end())
            continue;
        Append(words, " ", w);
        --count;
    }
    return words;
}

// Markdown of plain text: the characters that would mark it up are escaped.
std::string MarkdownText(std::string_view text) {
    std::string md;
    for (char c : text) {
        if (std::string_view("\\`*_[]<>#|").find(c) != std::string_view::npos) md += '\\';
        md += c;
    }
    return md;
}

}  // namespace

std::string_view Caption(std::string_view reference) {
    const std::size_t at = reference.find(" [");
    return at == std::string_view::npos ? reference : reference.substr(0, at);
}

std::string RuleJson(const SarifRule& rule) {
    const std::string more = "Each result names the record, the entry found there and the numbers of its message.";
    std::string json = "{\"id\":";
    JsonString(json, rule.id);
    json += ",\"name\":";
    JsonString(json, rule.name);
    json += ",\"shortDescription\":{\"text\":";
    JsonString(json, rule.shortText);
    json += "},\"fullDescription\":{\"text\":";
    JsonString(json, rule.text);
    json += "},\"help\":{\"text\":";
    std::string help(rule.text);
    Append(help, " ", more);
    JsonString(json, help);
    json += ",\"markdown\":";
    JsonString(json, std::string(rule.markdown).append("\n\n").append(MarkdownText(more)));
    json += "},\"defaultConfiguration\":{\"level\":\"error\"}}";
    return json;
}

namespace {

// The one rule of the error limit, whatever the limit: the limit is in each result's message.
SarifRule ErrorLimitRule(std::string_view message) {
    SarifRule rule{RuleId("", kLimitKind, message), "ErrorLimitReached", "The error limit was reached", {}, {}, false};
    constexpr std::string_view kReached = "were encountered. ";
    const std::size_t at = message.find(kReached);
    const std::string rest(at == std::string_view::npos ? std::string_view() : message.substr(at + kReached.size()));
    rule.text = "The error limit was reached: testing stopped. " + rest;
    rule.markdown = MarkdownText(rule.text);
    return rule;
}

}  // namespace

std::string RuleText(std::string_view message) {
    std::string text;
    for (std::size_t i = 0; i < message.size();) {
        std::size_t data = 0;
        for (const DataMark& mark : kDataMarks) {
            if (!message.substr(0, i).ends_with(mark.before)) continue;
            const std::string_view rest = message.substr(i);
            data = mark.data == Data::Number    ? NumberAt(rest)
                   : mark.data == Data::Numbers ? NumbersAt(rest)
                                                : rest.size() - (rest.ends_with('.') ? 1 : 0);
            if (data > 0) break;
        }
        if (data > 0) {
            text += '#';
            i += data;
        } else {
            text += message[i++];
        }
    }
    return text;
}

bool IsErrorLimit(std::string_view reference) {
    return reference.ends_with(kLimitReference) && reference.size() > kLimitReference.size() &&
           Digit(reference.front());
}

std::string RuleKind(std::string_view type, std::string_view reference, std::string_view message) {
    if (IsErrorLimit(reference)) return std::string(kLimitKind);
    std::string kind(type);
    Append(kind, "\x1F", reference, "\x1F", MessageKind(message));
    return kind;
}

SarifRule MakeSarifRule(std::string_view type, std::string_view reference, std::string_view message) {
    if (IsErrorLimit(reference)) return ErrorLimitRule(message);
    const std::string_view caption = Caption(reference);
    const std::string requires_ = RuleText(message);
    SarifRule rule{RuleId(type, reference, message), {}, {}, {}, {}, requires_ != message};
    AppendPascal(rule.name, type);
    AppendPascal(rule.name, caption);
    AppendPascal(rule.name, KeyWords(requires_, caption, 8));
    const auto [first, last] = ReferencePositions(reference);
    std::string positions;
    if (first > 0) Append(positions, " (positions ", std::to_string(first), " to ", std::to_string(last), ")");
    Append(rule.text, caption, " of the ", type, " record", positions, ": ", requires_);
    Append(rule.markdown, "**", MarkdownText(caption), "** of the **", MarkdownText(type), "** record", positions,
           "\n\n", MarkdownText(requires_));
    Append(rule.shortText, type, " ", caption, ": ", requires_);
    return rule;
}

}  // namespace quorvex
