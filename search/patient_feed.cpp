#include "search/patient_feed.h"

#include <filesystem>
#include <utility>

#include "search/match_reasons.h"
#include "search/patient_worker.h"

namespace scandrel::search {

PatientsHere::PatientsHere(PatientReading reading, RichTextBuffer& buffer)
    : reading_(std::move(reading)), cancel_(reading_.cancel), buffer_(&buffer) {}

PatientsHere::PatientsHere(PatientReading reading) : reading_(std::move(reading)), cancel_(reading_.cancel) {}

// The builder and the rows go before the database they were read from.
PatientsHere::~PatientsHere() {
    builder_.reset();
    patients_.reset();
    database_.reset();
}

int32_t PatientsHere::open() {
    database_.emplace(reading_.open ? reading_.open(reading_.path)
                                    : db::Database::open(std::filesystem::path(reading_.path)));
    patients_.emplace(database_->openRecordset(reading_.patientQuery));
    patients_->moveLast();  // 3021 when there are no patients
    patients_->moveFirst();
    const int32_t total = patients_->recordCount();
    builder_.emplace(*database_, *patients_, buffer_);
    nameColumn_ = patients_->fieldIndex(reading_.nameColumn);
    counterColumn_ = patients_->fieldIndex(reading_.counterColumn);
    return total;
}

// The birth date is read only for the rows listed, so its column is looked up at the
// first match: a table without it fails only then.
Value PatientsHere::birthDate() {
    if (!birthDateColumn_) birthDateColumn_ = patients_->fieldIndex(reading_.birthDateColumn);
    return patients_->value(*birthDateColumn_);
}

// Only a listed patient pays for its reasons: its text is built again, with the
// source of every value.
std::vector<std::u16string> PatientsHere::reasons() {
    return reasonLines(findWords(builder_->buildWithSources(), reading_.words));
}

std::unique_ptr<PatientFeed> makePatientFeed(PatientReading reading, RichTextBuffer& buffer, size_t ahead,
                                             bool explain) {
    if (ahead > 0) {
        if (std::unique_ptr<RichTextBuffer> own = buffer.forAnotherThread()) {
            return std::make_unique<PatientsAhead>(std::move(reading), std::move(own), ahead, explain);
        }
    }
    return std::make_unique<PatientsHere>(std::move(reading), buffer);
}

}  // namespace scandrel::search
