#pragma once
// Progress of a long scan: a bar and a status line with count, percentage and an
// estimate of the time left.
#include <cstdint>
#include <functional>
#include <string>

namespace scandrel::text {

class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void setValue(double percent) = 0;  // 0 to 100
};

class StatusLabel {
public:
    virtual ~StatusLabel() = default;
    virtual void setCaption(const std::u16string& caption) = 0;
    virtual std::u16string caption() const = 0;
};

// Seconds since local midnight, single precision.
using Clock = std::function<float()>;
float secondsSinceMidnight();

void ShowProgress(int32_t total, int32_t current, float startTime, ProgressBar& progressBar,
                  StatusLabel& statusLabel, const Clock& clock = secondsSinceMidnight);

}  // namespace scandrel::text
