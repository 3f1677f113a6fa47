#pragma once

#include <dataset/Error.h>

// A silent abort: stops the current operation (e.g. a delete the user declined) without
// an error box. The console's error display ignores it; everything else propagates it
// like any other error.
class EAbort : public dataset::Error {
public:
    EAbort();
};

[[noreturn]] void Abort();
