#pragma once
// What a device holds, as one complete and checked read returned it, and the only source of what
// is written back to it.
//
// A write into a device replaces a whole block (a settings block, the factory data, a correction
// table). Composing it from anything but the device's own values would put into the device values
// nobody read or typed: a dialog's defaults after a failed read, the half of a block a short reply
// left in a buffer, the nearest list item standing in for a value the list does not have. So:
//
// - a snapshot exists only after a read that returned every value asked for; a shorter or failed
//   read drops the one held before (the device may have changed meanwhile);
// - a write is composed from the snapshot: every value the operator changed goes in as typed,
//   every other one exactly as read, raw, even when no control could show it;
// - without a snapshot there is nothing to compose, and the write is refused.
//
// Values are 16-bit words: Modbus registers, or the bytes of a command of the maker's protocol.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace drumo {

class ReadSnapshot {
public:
    // Takes the read's values when it returned all `asked` of them; otherwise drops the snapshot.
    // True when a snapshot is held afterwards.
    template <typename Word>
    bool Take(const Word* values, size_t received, size_t asked) {
        if (received != asked || asked == 0) {
            Drop();
            return false;
        }
        values_.assign(values, values + asked);
        held_ = true;
        return true;
    }
    void Drop() {
        values_.clear();
        held_ = false;
    }
    bool Held() const { return held_; }
    // The values as read; empty without a snapshot.
    const std::vector<uint16_t>& Values() const { return values_; }

    // The block to write. `shown` is what the controls showed right after the read (the snapshot as
    // the program understood it), `wanted` what they show now; both as long as the snapshot. Where
    // the two agree the operator changed nothing and the raw value goes back; where they differ the
    // wanted value goes in. Nothing without a snapshot or with blocks of another length.
    std::optional<std::vector<uint16_t>> Compose(const std::vector<uint16_t>& shown,
                                                 const std::vector<uint16_t>& wanted) const {
        if (!held_ || shown.size() != values_.size() || wanted.size() != values_.size()) return std::nullopt;
        std::vector<uint16_t> block = values_;
        for (size_t i = 0; i < block.size(); ++i) {
            if (wanted[i] != shown[i]) block[i] = wanted[i];
        }
        return block;
    }
    // Whether the operator changed value i (always true without a snapshot: nothing is known).
    static bool Changed(const std::vector<uint16_t>& shown, const std::vector<uint16_t>& wanted, size_t i) {
        return i >= shown.size() || i >= wanted.size() || shown[i] != wanted[i];
    }

private:
    std::vector<uint16_t> values_;
    bool held_ = false;
};

}  // namespace drumo
