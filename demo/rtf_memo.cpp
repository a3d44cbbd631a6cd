#include "demo/rtf_memo.h"

#include <array>

namespace scandrel::demo {
namespace {

// Code page 1252 bytes 0x80 to 0x9F; 0 where the byte is unassigned.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int cp1252Byte(char16_t c) {
    if (c >= 0xA0 && c <= 0xFF) return c;
    for (size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c) return static_cast<int>(0x80 + i);
    }
    return -1;
}

void appendAscii(std::u16string& out, std::string_view ascii) {
    for (char c : ascii) out += static_cast<char16_t>(c);
}

const std::vector<std::u16string> kSentences = {
    u"Paciente refere dor lombar há três semanas, com piora ao esforço.",
    u"Nega febre, náuseas ou vômitos.",
    u"Pressão arterial 130/85 mmHg, frequência cardíaca 78 bpm.",
    u"Ausculta pulmonar sem alterações; murmúrio vesicular presente.",
    u"Solicitados hemograma, glicemia de jejum e perfil lipídico.",
    u"Orientada quanto à alimentação e à prática de exercícios.",
    u"Retorno em trinta dias com os exames.",
    u"Queixa de cefaléia frontal e tontura ao levantar-se.",
    u"Histórico familiar de diabetes e hipertensão (mãe e avó).",
    u"Em uso de losartana 50 mg e metformina 850 mg.",
    u"Alergia a dipirona — evitar analgésicos do grupo.",
    u"Exame físico: abdome flácido, indolor à palpação.",
    u"Refere melhora parcial após o início do tratamento.",
    u"Encaminhado ao ortopedista para avaliação do joelho esquerdo.",
    u"Relato de insônia e ansiedade no último mês.",
    u"Vacinação em dia; reforço antitetânico em 2019.",
    u"Glicemia capilar 112 mg/dL; HbA1c 6,4 %.",
    u"Prescrito paracetamol 750 mg de 8/8 h se dor.",
    u"Sem queixas; consulta de rotina «check-up».",
    u"Lesão eritematosa no antebraço direito, 2 cm × 3 cm.",
    u"Paciente tabagista (20 maços·ano), orientado a cessar.",
    u"Menciona viagem recente a São Paulo e Curitiba.",
};

}  // namespace

std::u16string escapeRtfText(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += u'\\';
            out += c;
        } else if (c < 0x80) {
            out += c;
        } else if (const int b = cp1252Byte(c); b >= 0) {
            static const char16_t* hex = u"0123456789abcdef";
            out += u"\\'";
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            appendAscii(out, "\\u" + std::to_string(static_cast<int16_t>(c)) + "?");
        }
    }
    return out;
}

std::u16string makeClinicalSentences(Rng& rng, int sentences) {
    std::u16string out;
    for (int i = 0; i < sentences; ++i) {
        if (i) out += u' ';
        out += rng.pick(kSentences);
    }
    return out;
}

std::u16string makeRtfMemo(Rng& rng, const std::vector<std::u16string>& paragraphs) {
    std::u16string out;
    appendAscii(out, "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}");
    const bool twoFonts = rng.percent(50);
    if (twoFonts) appendAscii(out, "{\\f1\\froman\\fcharset0 Times New Roman;}");
    appendAscii(out, "}\r\n{\\colortbl ;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green0\\blue128;}\r\n");
    appendAscii(out, "\\viewkind4\\uc1\\pard\\cf1\\f0\\fs20 ");
    for (size_t p = 0; p < paragraphs.size(); ++p) {
        // Formatting runs start and end at word boundaries, inside the paragraph.
        const std::u16string& text = paragraphs[p];
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(u' ', start);
            end = end == std::u16string::npos ? text.size() : end + 1;
            const std::u16string word = escapeRtfText(std::u16string_view(text).substr(start, end - start));
            const int style = rng.between(0, 19);
            if (style == 0) {
                appendAscii(out, "\\b ");
                out += word;
                appendAscii(out, "\\b0 ");
            } else if (style == 1) {
                appendAscii(out, "\\i ");
                out += word;
                appendAscii(out, "\\i0 ");
            } else if (style == 2) {
                appendAscii(out, "\\cf2 ");
                out += word;
                appendAscii(out, "\\cf1 ");
            } else if (style == 3 && twoFonts) {
                appendAscii(out, "{\\f1\\fs24 ");
                out += word;
                out += u'}';
            } else {
                out += word;
            }
            start = end;
        }
        if (p + 1 < paragraphs.size()) appendAscii(out, "\\par\r\n");
    }
    appendAscii(out, "\\par\r\n}\r\n");
    return out;
}

}  // namespace scandrel::demo
