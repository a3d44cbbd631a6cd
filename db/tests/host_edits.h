#pragma once
// What the host does to its database while a search reads it, as the bytes it
// writes: a memo that grows moves to a new page at the end of the file, a table
// gets a new data page. Made from a copy of the file, applied to the file itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "db/writer/clinic_writer.h"

namespace scandrel::db::testing {

inline constexpr size_t kJet4Page = 4096;
inline constexpr char16_t kName[] = u"Paci_tx_NomePaciente";
inline constexpr char16_t kNotes[] = u"Paci_me_ObservacoesPaciente";

// A clinic whose first patient, ANA, has `notes`; the others have short notes.
inline void writeClinic(const std::filesystem::path& path, int patients, const std::u16string& notes = u"zzantigazz") {
    writer::ClinicWriter clinic(path);
    clinic.add(writer::kPacientes, {{kName, Value::text(u"ANA")}, {kNotes, Value::text(notes)}});
    for (int i = 1; i < patients; ++i)
        clinic.add(writer::kPacientes,
                   {{kName, Value::text(u"PACIENTE " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)))},
                    {kNotes, Value::text(std::u16string(40, u'x'))}});
    clinic.finish();
}

struct FileEdit {
    uint64_t at = 0;
    std::vector<uint8_t> bytes;
};

inline void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}
inline uint32_t get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8u); }
inline uint32_t get32(const std::vector<uint8_t>& b, size_t at) { return get16(b, at) | (get16(b, at + 2) << 16); }

// Where a slot of a Jet 4 data page starts in the file.
inline size_t rowStart(const std::vector<uint8_t>& file, uint32_t page, uint32_t row) {
    return page * kJet4Page + (get16(file, page * kJet4Page + 14 + 2 * row) & 0x1FFF);
}

// The 12-byte header of the memo whose text holds `marker` at `text`: in the row
// itself, or pointing at the long-value page that holds the text.
inline size_t memoHeader(const std::vector<uint8_t>& file, size_t text) {
    const size_t page = text / kJet4Page;
    const auto isLongValuePage = [&](size_t p) { return std::memcmp(&file[p * kJet4Page + 4], "LVAL", 4) == 0; };
    if (!isLongValuePage(page)) return text - 2 - 12;
    for (size_t h = 0; h + 12 <= file.size(); ++h)
        if (file[h + 3] == 0x40 && (get32(file, h + 4) >> 8) == page && file[h / kJet4Page * kJet4Page] == 0x01 &&
            !isLongValuePage(h / kJet4Page))
            return h;
    ADD_FAILURE() << "no memo header points at page " << page;
    return 0;
}

// The memo that holds `marker` (compressed: FF FE then one byte a character) is
// moved to a long-value page appended to the file, holding `newText`; with
// `eraseOld`, the page that held it before is given over to something else.
inline std::vector<FileEdit> moveMemoToNewPage(const std::vector<uint8_t>& file, std::string_view marker,
                                               std::string_view newText, bool eraseOld = false) {
    const auto found = std::search(file.begin(), file.end(), marker.begin(), marker.end());
    EXPECT_NE(found, file.end()) << "marker not in the file";
    if (found == file.end()) return {};
    const size_t text = static_cast<size_t>(found - file.begin());
    EXPECT_EQ(file[text - 2], 0xFF);
    EXPECT_EQ(file[text - 1], 0xFE);
    const size_t header = memoHeader(file, text);

    const uint32_t newPage = static_cast<uint32_t>(file.size() / kJet4Page);
    std::vector<uint8_t> value = {0xFF, 0xFE};
    value.insert(value.end(), newText.begin(), newText.end());
    std::vector<uint8_t> page(kJet4Page, 0);
    const uint32_t start = static_cast<uint32_t>(kJet4Page - value.size());
    page[0] = 0x01;
    page[1] = 0x01;
    put16(&page[2], start - 16);
    std::memcpy(&page[4], "LVAL", 4);
    put16(&page[12], 1);
    put16(&page[14], start);
    std::copy(value.begin(), value.end(), page.begin() + start);

    std::vector<uint8_t> field(12, 0);
    put32(&field[0], static_cast<uint32_t>(value.size()) | 0x40000000u);  // one long-value row
    put32(&field[4], newPage << 8);
    std::vector<FileEdit> edits = {FileEdit{uint64_t{newPage} * kJet4Page, page}, FileEdit{header, field}};
    if (eraseOld) edits.push_back(FileEdit{text / kJet4Page * kJet4Page, std::vector<uint8_t>(kJet4Page, 0)});
    return edits;
}

// A copy of the table's data page `page` is appended and marked in the table's
// inline usage map at `mapRow` (page << 8 | row): its rows now appear twice.
inline std::vector<FileEdit> addCopyOfDataPage(const std::vector<uint8_t>& file, uint32_t page, uint32_t mapRow) {
    const uint32_t newPage = static_cast<uint32_t>(file.size() / kJet4Page);
    const size_t map = rowStart(file, mapRow >> 8, mapRow & 0xFF);
    EXPECT_EQ(file[map], 0x00) << "an inline usage map";
    const uint32_t first = get32(file, map + 1);
    const size_t bit = newPage - first;
    const size_t byteAt = map + 5 + bit / 8;
    std::vector<uint8_t> copy(file.begin() + static_cast<long>(page * kJet4Page),
                              file.begin() + static_cast<long>((page + 1) * kJet4Page));
    return {FileEdit{uint64_t{newPage} * kJet4Page, copy},
            FileEdit{byteAt, {static_cast<uint8_t>(file[byteAt] | (1u << (bit % 8)))}}};
}

// The first data page of the table whose definition starts at `tdefPage`.
inline uint32_t firstDataPage(const std::vector<uint8_t>& file, uint32_t tdefPage) {
    for (uint32_t p = 3; p < file.size() / kJet4Page; ++p)
        if (file[p * kJet4Page] == 0x01 && get32(file, p * kJet4Page + 4) == tdefPage) return p;
    ADD_FAILURE() << "no data page";
    return 0;
}

inline void applyEdits(const std::filesystem::path& path, const std::vector<FileEdit>& edits) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    ASSERT_TRUE(out) << "host cannot open " << path.string();
    for (const FileEdit& e : edits) {
        out.seekp(static_cast<std::streamoff>(e.at));
        out.write(reinterpret_cast<const char*>(e.bytes.data()), static_cast<std::streamsize>(e.bytes.size()));
    }
    ASSERT_TRUE(out.flush());
}

}  // namespace scandrel::db::testing
