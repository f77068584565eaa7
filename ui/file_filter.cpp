#include "ui/file_filter.h"

#include <stdexcept>

namespace ui {

std::vector<FileFilter> ParseFileFilter(std::string_view filter) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t bar = filter.find('|', start);
        const size_t end = bar == std::string_view::npos ? filter.size() : bar;
        if (end == start)
            break;
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() % 2 != 0)
        throw std::invalid_argument("file filter \"" + std::string(filter) +
                                    "\": a description has no patterns");
    std::vector<FileFilter> filters;
    for (size_t i = 0; i < parts.size(); i += 2)
        filters.push_back(FileFilter{std::string(parts[i]), std::string(parts[i + 1])});
    return filters;
}

}  // namespace ui
