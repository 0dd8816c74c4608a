#include "support/Cp1250.h"

QString FromCp1250(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : bytes)
        *dst++ = QChar(cp1250::codePointOf(static_cast<unsigned char>(c)));
    return out;
}

std::string ToCp1250(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        const int byte = cp1250::byteFor(cp);
        out.push_back(byte < 0 ? cp1250::kReplacement : static_cast<char>(byte));
    }
    return out;
}
