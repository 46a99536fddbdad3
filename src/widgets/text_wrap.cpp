#include "widgets/text_wrap.h"

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
            std::size_t len = 1;
            unsigned char ch = static_cast<unsigned char>(para[i]);
            if (ch >= 0xF0)
                len = 4;
            else if (ch >= 0xE0)
                len = 3;
            else if (ch >= 0xC0)
                len = 2;
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
