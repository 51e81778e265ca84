#pragma once
// The acquisition and archive commands joined to the program's windows and to its start-up and
// closing: created once, right after the windows, and destroyed before them.

#include "acquisition/ui/AcquisitionWiring.h"
#include "files/ui/FilesWiring.h"

namespace drumo {

class Shell;

class ProgramWiring {
public:
    explicit ProgramWiring(Shell& shell);

    AcquisitionWiring& Acquisition() { return acquisition_; }
    FilesWiring& Files() { return files_; }

private:
    AcquisitionWiring acquisition_;
    FilesWiring files_;
};

}  // namespace drumo
