#include "text/progress.h"

#include <cmath>
#include <limits>

#include "text/error.h"

namespace scandrel::text {
namespace {

// Each arithmetic step is checked: a result that is not a finite number is an error.
float checked(double x) {
    if (!std::isfinite(x) || std::fabs(x) > static_cast<double>(std::numeric_limits<float>::max())) {
        throw overflow();
    }
    return static_cast<float>(x);
}

double divide(double dividend, double divisor) {
    if (divisor == 0.0) throw Error(errors::kDivisionByZero, u"Divisão por zero");
    return dividend / divisor;
}

// To the nearest 32-bit integer, halves to the even neighbour.
int32_t roundToInt32(double x) {
    if (!std::isfinite(x)) throw overflow();
    double whole = std::floor(x);
    const double fraction = x - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        whole > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        throw overflow();
    }
    return static_cast<int32_t>(whole);
}

std::u16string decimal(int32_t number) {
    std::u16string out;
    for (const char c : std::to_string(number)) out += static_cast<char16_t>(c);
    return out;
}

}  // namespace

// The estimate assumes every patient takes as long as the ones so far. The clock is read
// afresh for each use, as the time passes while the controls are written; it restarts at
// midnight, which makes the elapsed time of a run across midnight negative (the estimate
// then shows a negative number of seconds, uncorrected).
void ShowProgress(int32_t total, int32_t current, float startTime, ProgressBar& progressBar,
                  StatusLabel& statusLabel, const Clock& clock) {
    const float elapsed = checked(static_cast<double>(clock()) - startTime);
    const float estimatedTotal =
        checked(divide(static_cast<double>(elapsed) * total, static_cast<double>(current)));
    const float elapsedNow = checked(static_cast<double>(clock()) - startTime);
    const int32_t remaining = roundToInt32(checked(static_cast<double>(estimatedTotal) - elapsedNow));
    const int32_t minutes = remaining / 60;

    const double percent = divide(current, total) * 100.0;
    progressBar.setValue(percent);
    statusLabel.setCaption(u"Pesquisando... (" + decimal(current) + u"/" + decimal(total) + u", " +
                           decimal(roundToInt32(percent)) + u"%)");

    std::u16string suffix;
    if (minutes > 0) {
        suffix = u". " + decimal(minutes) + u" minuto(s) restantes.";
    } else {
        const float elapsedLast = checked(static_cast<double>(clock()) - startTime);
        const int32_t seconds = roundToInt32(checked(static_cast<double>(estimatedTotal) - elapsedLast));
        suffix = u". " + decimal(seconds) + u" segundos restantes.";
    }
    statusLabel.setCaption(statusLabel.caption() + suffix);
}

}  // namespace scandrel::text
