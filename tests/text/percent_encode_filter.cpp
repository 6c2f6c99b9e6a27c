// Reads one hex-encoded GBK text per line and writes its percent-encoding,
// one per line; the differential check feeds it from an independent codec.
#include "text/percent_encode.h"

#include <iostream>
#include <string>

int main()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string raw;
        for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
            raw += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        std::cout << sonivane::percent_encode(sonivane::Text(std::string_view(raw))).bytes() << '\n';
    }
    return 0;
}
