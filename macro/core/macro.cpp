#include "macro/core/macro.h"

#include <charconv>
#include <limits>

namespace tolvare::macro {

namespace {

// The next line of `text` from `position` without its line end (CR LF, CR or LF); nothing at
// the end of the text.
std::optional<std::string_view> nextLine(std::string_view text, std::size_t& position) {
    if (position >= text.size()) return std::nullopt;
    const std::size_t end = text.find_first_of("\r\n", position);
    if (end == std::string_view::npos) {
        std::string_view line = text.substr(position);
        position = text.size();
        return line;
    }
    std::string_view line = text.substr(position, end - position);
    position = end + 1;
    if (text[end] == '\r' && position < text.size() && text[position] == '\n') ++position;
    return line;
}

void appendNumber(std::string& out, std::int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

Macro::Macro() : mouse_(1), keys_(1) {}

MouseSample Macro::mouse(std::int32_t slot) const {
    if (slot < 0 || slot > upperBound()) return {};
    return mouse_[static_cast<std::size_t>(slot)];
}

KeySample Macro::keys(std::int32_t slot) const {
    if (slot < 0 || slot > upperBound()) return {};
    return keys_[static_cast<std::size_t>(slot)];
}

void Macro::clear() {
    mouse_.assign(1, MouseSample{});
    keys_.assign(1, KeySample{});
    slotCount_ = 0;
    tickCount_ = 0;
    loaded_ = false;
}

std::optional<std::int32_t> Macro::addCaptureSlot() {
    // After a load S already names the first free slot; otherwise slot S holds the last sample.
    const std::int32_t slot = loaded_ ? slotCount_ : slotCount_ + 1;
    if (slot > kMaxMacroEvents + 1) return std::nullopt;
    loaded_ = false;
    slotCount_ = slot;
    mouse_.resize(static_cast<std::size_t>(slot) + 1);
    keys_.resize(static_cast<std::size_t>(slot) + 1);
    mouse_[static_cast<std::size_t>(slot)] = {};
    keys_[static_cast<std::size_t>(slot)] = {};
    return slot;
}

void Macro::setSlot(std::int32_t slot, const MouseSample& mouse, const KeySample& keys) {
    // Slot 0 is the replay's all-zero start and never written.
    if (slot < 1 || slot > upperBound()) return;
    mouse_[static_cast<std::size_t>(slot)] = mouse;
    keys_[static_cast<std::size_t>(slot)] = keys;
}

void Macro::dropLastSlots(std::int32_t count) {
    if (count <= 0 || loaded_) return;
    const std::int32_t kept = slotCount_ > count ? slotCount_ - count : 0;
    slotCount_ = kept;
    mouse_.resize(static_cast<std::size_t>(kept) + 1);
    keys_.resize(static_cast<std::size_t>(kept) + 1);
}

std::string macroFileText(const Macro& macro) {
    std::string out;
    const std::int32_t events = macro.eventCount();
    out.reserve(16 + static_cast<std::size_t>(events) * 32);
    // The header counts S - 1 even when S is 0 (a window that never captured): such a file
    // reads back as no event, like the header 0,T.
    appendNumber(out, macro.slotCount() - 1 < 0 ? 0 : macro.slotCount() - 1);
    out += ',';
    appendNumber(out, macro.tickCount());
    out += "\r\n";
    for (std::int32_t slot = 1; slot <= events; ++slot) {
        const MouseSample mouse = macro.mouse(slot);
        const KeySample keys = macro.keys(slot);
        const std::int32_t fields[] = {mouse.button, mouse.tick, mouse.x,    mouse.y,
                                       keys.key,     keys.alt,   keys.ctrl,  keys.shift};
        for (std::size_t i = 0; i < 8; ++i) {
            if (i) out += ',';
            appendNumber(out, fields[i]);
        }
        out += "\r\n";
    }
    return out;
}

std::optional<std::int32_t> parseMacroNumber(std::string_view field) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!field.empty() && blank(field.front())) field.remove_prefix(1);
    while (!field.empty() && blank(field.back())) field.remove_suffix(1);
    // from_chars takes a minus sign but no plus sign.
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
        if (!field.empty() && field.front() == '-') return std::nullopt;
    }
    if (field.empty()) return std::nullopt;
    std::int32_t value = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size()) return std::nullopt;
    return value;
}

std::optional<Macro> parseMacroFile(std::string_view text, std::size_t* wrongLine) {
    const auto refuse = [wrongLine](std::size_t line) -> std::optional<Macro> {
        if (wrongLine) *wrongLine = line;
        return std::nullopt;
    };
    std::size_t position = 0;
    const std::optional<std::string_view> header = nextLine(text, position);
    if (!header) return refuse(1);
    const std::size_t comma = header->find(',');
    if (comma == std::string_view::npos) return refuse(1);
    const std::optional<std::int32_t> events = parseMacroNumber(header->substr(0, comma));
    const std::optional<std::int32_t> ticks = parseMacroNumber(header->substr(comma + 1));
    if (!events || !ticks || *events < 0 || *events > kMaxMacroEvents) return refuse(1);

    Macro macro;
    macro.tickCount_ = *ticks;
    // Every event line holds at least fifteen characters and a line end, so the text itself
    // bounds what is worth reserving, whatever the header promises.
    const std::size_t plausible = (text.size() - position) / 16 + 1;
    const std::size_t expected = static_cast<std::size_t>(*events) + 1;
    macro.mouse_.reserve(expected < plausible ? expected : plausible);
    macro.keys_.reserve(expected < plausible ? expected : plausible);
    for (std::int32_t slot = 1; slot <= *events; ++slot) {
        const std::optional<std::string_view> line = nextLine(text, position);
        const std::size_t lineNumber = static_cast<std::size_t>(slot) + 1;
        if (!line) return refuse(lineNumber);
        std::int32_t fields[8];
        std::size_t start = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            // The last field is the rest of the line, commas and all (which then fail to read).
            const std::size_t end = i < 7 ? line->find(',', start) : line->size();
            if (end == std::string_view::npos) return refuse(lineNumber);
            const std::optional<std::int32_t> value = parseMacroNumber(line->substr(start, end - start));
            if (!value) return refuse(lineNumber);
            fields[i] = *value;
            start = end + 1;
        }
        macro.mouse_.push_back({fields[2], fields[3], fields[1], fields[0]});
        macro.keys_.push_back({fields[6], fields[5], fields[7], fields[4]});
    }
    macro.slotCount_ = *events + 1;
    macro.loaded_ = true;
    return macro;
}

}  // namespace tolvare::macro
