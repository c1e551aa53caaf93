#pragma once
// Internal to the metadata files: exiv2 set up once for every thread (its XMP
// toolkit locked, its log kept off stderr and counted while a call watches).
#include <string>

namespace vimbra::exiv2 {

void Setup();

// Counts exiv2's error-level messages while alive (on this thread).
class ErrorWatch {
public:
    ErrorWatch();
    ~ErrorWatch();
    ErrorWatch(const ErrorWatch&) = delete;
    ErrorWatch& operator=(const ErrorWatch&) = delete;
    int errors() const { return errors_; }
    void count() { ++errors_; }

private:
    ErrorWatch* outer_;
    int errors_ = 0;
};

}  // namespace vimbra::exiv2
