#include "widgets/text_wrap.h"

#include "gfx/font_utf8.h"

namespace tv {

std::vector<std::string> wrapText(const Font& f, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t nl = text.find('\n', start);
        std::string para =
            text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!para.empty() && para.back() == '\r') para.pop_back();
        std::string line;
        std::size_t i = 0;
        while (i < para.size()) {
            std::size_t end = i;
            const char32_t ch = decodeUtf8(para, end);
            const std::size_t len = end - i;
            std::string next = line + para.substr(i, len);
            if (!line.empty() && f.textWidth(next) > width) {
                std::size_t sp = line.find_last_of(' ');
                if (ch < 0x80 && sp != std::string::npos && sp > 0) {
                    lines.push_back(line.substr(0, sp));
                    line = line.substr(sp + 1);
                } else {
                    lines.push_back(line);
                    line.clear();
                }
                continue;
            }
            line = std::move(next);
            i += len;
        }
        lines.push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

}  // namespace tv
