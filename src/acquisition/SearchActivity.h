#pragma once
// Whether a device search holds the line right now. While one runs, the windows leave the store
// alone: rows cannot be picked, the view is not rebuilt and no file is opened or written.

namespace drumo {

class SearchActivity {
public:
    virtual ~SearchActivity() = default;
    virtual bool SearchRunning() const = 0;
};

}  // namespace drumo
