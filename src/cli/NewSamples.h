#pragma once
// The samples the store announced as complete and nobody has taken yet, in the order they were
// completed. drumo-cli poll and log print and publish from it instead of comparing counts; a
// streamed sample arrives once its last sensor has reported. Samples dropped from the store (a
// new day's file, an emptied store) leave it too.

#include "model/StationEvents.h"

#include <utility>
#include <vector>

namespace drumo::cli {

class NewSamples final : public StationEvents {
public:
    explicit NewSamples(StationEventHub& hub) : hub_(hub) { hub_.Subscribe(this); }
    ~NewSamples() override { hub_.Unsubscribe(this); }
    NewSamples(const NewSamples&) = delete;
    NewSamples& operator=(const NewSamples&) = delete;

    bool Empty() const { return places_.empty(); }
    std::vector<SamplePlace> Take() { return std::exchange(places_, {}); }

    void SampleAdded(const SamplePlace& place) override { places_.push_back(place); }
    void StoreCleared() override { places_.clear(); }
    void StoreEmptied() override { places_.clear(); }

private:
    StationEventHub& hub_;
    std::vector<SamplePlace> places_;
};

}  // namespace drumo::cli
