#include "sim/Faults.h"

#include <charconv>
#include <utility>

namespace drumo::sim {
namespace {

const std::pair<std::string_view, FaultKind> kNames[] = {
    {"none", FaultKind::None},
    {"silence", FaultKind::Silence},
    {"bad-crc", FaultKind::BadCrc},
    {"bad-checksum", FaultKind::BadCrc},
    {"garbage", FaultKind::Garbage},
    {"short", FaultKind::ShortReply},
    {"exception", FaultKind::Exception},
    {"wrong-address", FaultKind::WrongAddress},
    {"fewer-registers", FaultKind::FewerRegisters},
    {"foreign-talker", FaultKind::ForeignTalker},
    {"stop-after", FaultKind::StopAfter},
    {"port-gone", FaultKind::PortGone},
    {"slow", FaultKind::Slow},
};

bool ParseNumber(std::string_view text, int& out) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view text) {
    Fault fault;
    if (const auto star = text.find('*'); star != std::string_view::npos) {
        if (!ParseNumber(text.substr(star + 1), fault.Times) || fault.Times == 0) return std::nullopt;
        text = text.substr(0, star);
    }
    std::string_view name = text;
    if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        name = text.substr(0, colon);
        if (!ParseNumber(text.substr(colon + 1), fault.Param)) return std::nullopt;
    }
    for (const auto& [known, kind] : kNames) {
        if (known == name) {
            fault.Kind = kind;
            if ((kind == FaultKind::StopAfter || kind == FaultKind::Slow) && fault.Param < 0) return std::nullopt;
            return fault;
        }
    }
    return std::nullopt;
}

std::string FaultName(FaultKind kind) {
    for (const auto& [known, k] : kNames) {
        if (k == kind) return std::string(known);
    }
    return "none";
}

void FaultSlot::Set(const Fault& fault) {
    fault_ = fault;
    countdown_ = fault.Param < 0 ? 0 : fault.Param;
}

Fault FaultSlot::NextReply() {
    switch (fault_.Kind) {
    case FaultKind::None:
    case FaultKind::ForeignTalker:
        return Fault{};
    case FaultKind::StopAfter:
        if (countdown_ > 0) {
            --countdown_;
            return Fault{};
        }
        return Fault{FaultKind::Silence};
    case FaultKind::PortGone:
        if (countdown_ > 0) {
            --countdown_;
            return Fault{};
        }
        return fault_;
    default:
        break;
    }
    Fault applied = fault_;
    if (fault_.Times > 0 && --fault_.Times == 0) fault_ = Fault{};
    return applied;
}

}  // namespace drumo::sim
