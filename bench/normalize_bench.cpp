// Normalising a long patient text: the one-pass NormalizeText against the step-by-step
// loop that rebuilds the text for every replacement. Prints the ratio of the two times.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "testing/reference_normalize.h"
#include "text/normalize.h"

namespace {

using scandrel::text::NormalizeText;

bool isTableLetter(char16_t c) {
    static const std::u16string kLetters =
        u"\u00E1\u00E0\u00E3\u00E2\u00E9\u00EA\u00ED\u00EE\u00F3\u00F4\u00F5\u00E7\u00FA\u00FB"
        u"\u00C1\u00C0\u00C3\u00C2\u00C9\u00CA\u00CD\u00CE\u00D3\u00D4\u00D5\u00C7\u00DA\u00DB";
    return kLetters.find(c) != std::u16string::npos;
}

// 64 KiB (32768 code units) of words as a patient's record gives them: names, addresses,
// notes, codes and dates, about 2 % accented letters, single spaces mostly, with runs of
// spaces and line breaks here and there.
std::u16string patientText() {
    static const char16_t* const kPlain[] = {
        u"paciente", u"consulta", u"retorno", u"Silva", u"Santos", u"Oliveira", u"Rua", u"das",
        u"Flores", u"Centro", u"Maria", u"Pereira", u"de", u"da", u"do", u"com", u"dor", u"lombar",
        u"exame", u"sangue", u"glicemia", u"normal", u"Unimed", u"123.456.789-00", u"12/03/1985",
        u"casado", u"casada", u"masculino", u"feminino", u"ativo", u"ativa", u"alergia", u"dipirona",
        u"receita", u"solicitado", u"hemograma", u"completo", u"Belo", u"Horizonte", u"MG",
    };
    static const char16_t* const kAccented[] = {
        u"Jos\u00E9", u"Concei\u00E7\u00E3o", u"S\u00E3o", u"Jo\u00E3o", u"press\u00E3o",
        u"hipertens\u00E3o", u"hist\u00F3ria", u"fam\u00EDlia", u"n\u00E3o", u"m\u00E9dico",
        u"diagn\u00F3stico", u"avalia\u00E7\u00E3o", u"AVALIA\u00C7\u00C3O", u"\u00C1gua", u"Ant\u00F4nio",
        u"cora\u00E7\u00E3o", u"a\u00E7\u00FAcar", u"ex\u00EAmes", u"\u00F3culos", u"Lu\u00EDs",
    };
    const std::size_t size = 32768;
    std::u16string text = u"  ";
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    std::size_t accented = 0;
    while (text.size() < size) {
        const bool wantAccent = accented * 50 < text.size();  // keeps near 2 %
        const char16_t* word = wantAccent && next() % 3 == 0 ? kAccented[next() % std::size(kAccented)]
                                                            : kPlain[next() % std::size(kPlain)];
        for (const char16_t* p = word; *p; ++p) accented += isTableLetter(*p) ? 1 : 0;
        text += word;
        const uint32_t gap = next() % 100;
        if (gap < 85) {
            text += u' ';
        } else if (gap < 95) {
            text.append(2 + next() % 7, u' ');
        } else if (gap < 98) {
            text += u"\r\n";
        } else {
            text.append(10 + next() % 30, u' ');
        }
    }
    text.resize(size);
    return text;
}

const std::u16string& input() {
    static const std::u16string text = patientText();
    return text;
}

void Ours(benchmark::State& state) {
    for (auto _ : state) {
        std::u16string text = input();
        benchmark::DoNotOptimize(NormalizeText(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input().size() * 2));
}
BENCHMARK(Ours);

void StepByStep(benchmark::State& state) {
    for (auto _ : state) {
        std::u16string text = input();
        benchmark::DoNotOptimize(scandrel::text::reference::NormalizeText(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input().size() * 2));
}
BENCHMARK(StepByStep)->Unit(benchmark::kMillisecond);

// Shows the runs as usual and keeps each one's processor time per iteration (steadier
// than wall time on a busy machine).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                seconds[run.run_name.function_name] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
        }
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::size_t accented = 0, spaceRuns = 0;
    for (std::size_t i = 0; i < input().size(); ++i) {
        accented += isTableLetter(input()[i]) ? 1 : 0;
        spaceRuns += i > 0 && input()[i] == u' ' && input()[i - 1] == u' ' && (i < 2 || input()[i - 2] != u' ');
    }
    std::printf("Text: %zu code units, %.2f %% accented letters, %zu runs of two or more spaces\n",
                input().size(), 100.0 * static_cast<double>(accented) / static_cast<double>(input().size()),
                spaceRuns);

    // Both must give the same text before their times mean anything.
    std::u16string ours = input();
    std::u16string reference = input();
    NormalizeText(ours);
    scandrel::text::reference::NormalizeText(reference);
    if (ours != reference) {
        std::fprintf(stderr, "NormalizeText and the step-by-step loop disagree\n");
        return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto literal = reporter.seconds.find("StepByStep");
    const auto fast = reporter.seconds.find("Ours");
    if (literal != reporter.seconds.end() && fast != reporter.seconds.end() && fast->second > 0) {
        std::printf("Ratio (step-by-step time / NormalizeText time): %.1fx\n", literal->second / fast->second);
    }
    return 0;
}
