#include "text/text_between.h"

namespace sonivane {

Text text_between(const Text& source, const Text& left_marker, const Text& right_marker, bool& found)
{
    found = false;
    const int left_at = find(source, left_marker);
    if (left_at == -1) {
        return left_marker_missing;
    }
    // The right marker is searched from the start, not after the left one.
    const int right_at = find(source, right_marker);
    if (right_at == -1) {
        return right_marker_missing;
    }
    found = true;
    const int start = left_at + left_marker.size();
    return middle(source, start, right_at - start);
}

} // namespace sonivane
