#include "calibration/Report.h"

#include "model/Formats.h"
#include "model/ViewTexts.h"

namespace drumo {

int ReportTable::Sensors() const {
    return HasCable() ? static_cast<int>(store_.Sensors(store_.SelDevice(), store_.SelCable())) : 0;
}

int ReportTable::Samples() const {
    return HasCable() && Sensors() > 0 ? static_cast<int>(store_.SampleCount(store_.SelDevice(), store_.SelCable())) : 0;
}

std::string ReportTable::Heading(int column, char mark) const {
    const int sensors = Sensors();
    if (!HasCable() || sensors == 0 || column < 0 || column > sensors) return {};
    const size_t d = store_.SelDevice(), c = store_.SelCable();
    if (column == 0) return ReportHeading(store_.CableSerials(d)[c], sensors);
    return ReportColumnHeading(store_.CableKinds(d)[c], store_.SensorLabels(d, c)[static_cast<size_t>(column - 1)], mark);
}

std::string ReportTable::Cell(int row, int column, char mark) const {
    if (row < 0 || row >= Samples() || column < 0 || column > Sensors()) return {};
    const size_t d = store_.SelDevice(), c = store_.SelCable(), k = static_cast<size_t>(row);
    if (column == 0) return DateTimeText(store_.SampleTimes(d, c)[k]);
    return ReportValueText(store_.Samples(d, c, static_cast<size_t>(column - 1))[k], mark);
}

bool ReportTable::StickerPlace(int row, int column, bool inGround, double& x, double& y) const {
    if (column < 1 || column > Sensors() || row < 0 || row >= Samples()) return false;
    const size_t d = store_.SelDevice(), c = store_.SelCable();
    // The value as stored, also a missing one, as the sticker has always shown it.
    const double value = store_.Samples(d, c, static_cast<size_t>(column - 1))[static_cast<size_t>(row)] / 100.0;
    const double label = store_.SensorLabels(d, c)[static_cast<size_t>(column - 1)] / 100.0;
    x = inGround ? value : label;
    y = inGround ? label : value;
    return true;
}

}  // namespace drumo
