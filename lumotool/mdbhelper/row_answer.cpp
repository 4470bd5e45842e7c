#include "mdbhelper/row_answer.h"

#include <charconv>
#include <utility>

namespace lumo::mdbrow {

namespace {

constexpr std::string_view kHeader = "lumo-mdb 1\n";
constexpr std::string_view kEnd = "end\n";
// More columns than a Jet table can have: a count beyond it is garbage.
constexpr std::size_t kMaxValues = 4096;

constexpr std::pair<Outcome, std::string_view> kOutcomeWords[] = {
    {Outcome::NoRow, "none"},
    {Outcome::NotOpened, "not-opened"},
    {Outcome::NoTable, "no-table"},
    {Outcome::UnreadableTable, "unreadable-table"},
    {Outcome::NoKeyColumn, "no-key-column"},
};

// Reads one line (without its "\n") from the front of rest.
std::optional<std::string_view> TakeLine(std::string_view& rest)
{
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return line;
}

// A decimal number that is all digits (no sign, no blanks).
std::optional<std::size_t> Number(std::string_view text)
{
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string Encode(const Answer& answer)
{
    std::string out(kHeader);
    if (answer.outcome == Outcome::Row) {
        out += "row " + std::to_string(answer.values.size()) + "\n";
        for (const std::optional<std::string>& value : answer.values) {
            if (!value) {
                out += "n\n";
                continue;
            }
            out += "t " + std::to_string(value->size()) + "\n";
            out += *value;
            out += '\n';
        }
    } else {
        for (const auto& [outcome, word] : kOutcomeWords)
            if (outcome == answer.outcome) (out += word) += '\n';
    }
    out += kEnd;
    return out;
}

std::optional<Answer> Decode(std::string_view rest)
{
    if (rest.substr(0, kHeader.size()) != kHeader) return std::nullopt;
    rest.remove_prefix(kHeader.size());
    const std::optional<std::string_view> status = TakeLine(rest);
    if (!status) return std::nullopt;

    Answer answer;
    if (status->substr(0, 4) == "row ") {
        const std::optional<std::size_t> count = Number(status->substr(4));
        if (!count || *count > kMaxValues) return std::nullopt;
        answer.outcome = Outcome::Row;
        for (std::size_t i = 0; i < *count; ++i) {
            const std::optional<std::string_view> line = TakeLine(rest);
            if (!line) return std::nullopt;
            if (*line == "n") {
                answer.values.emplace_back(std::nullopt);
                continue;
            }
            if (line->substr(0, 2) != "t ") return std::nullopt;
            const std::optional<std::size_t> length = Number(line->substr(2));
            if (!length || *length >= rest.size() || rest[*length] != '\n') return std::nullopt;
            answer.values.emplace_back(std::string(rest.substr(0, *length)));
            rest.remove_prefix(*length + 1);
        }
    } else {
        bool known = false;
        for (const auto& [outcome, word] : kOutcomeWords) {
            if (*status == word) {
                answer.outcome = outcome;
                known = true;
            }
        }
        if (!known) return std::nullopt;
    }
    if (rest != kEnd) return std::nullopt;
    return answer;
}

}  // namespace lumo::mdbrow
