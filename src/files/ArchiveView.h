#pragma once
// What loading archive files shows while it runs: the busy cursor, the device manager's rows and
// colours, and the notebook window for notebook files among the chosen ones. The end of a load goes
// out as the store's event ArchiveLoaded. The desktop program implements it; tests record it; the
// command-line tool leaves every method as the no-op it is here.

#include <cstddef>
#include <string>

#include "model/Store.h"

namespace drumo {

class ArchiveView {
public:
    virtual ~ArchiveView() = default;

    virtual void BusyCursor(bool /*busy*/) {}

    // Device manager table while a file is read: a row per device (line check box disabled),
    // a further row per further cable, and the check box of the last row enabled when its cable
    // gets its first sample.
    virtual void AddDeviceRow(const TDevSig& /*device*/, const std::string& /*fileNameOnly*/) {}
    virtual void AddCableRow(size_t /*d*/, size_t /*c*/, int16_t /*serial*/, size_t /*sensors*/,
                             bool /*firstOfDevice*/) {}
    virtual void EnableLastRowCheck() {}

    // The operator went on with an unsigned file: device manager and sensor report tables turn
    // pink (red 255, green 168, blue 227).
    virtual void ColourUnsigned() {}

    // The notebook window, for ".dmn" files among the chosen ones.
    virtual void ShowNotebookWindow() {}
    virtual void OpenNotebook(const std::string& /*fileName*/) {}
};

}  // namespace drumo
