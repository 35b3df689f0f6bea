#pragma once
#include <optional>
#include <string_view>
#include <vector>

namespace marklens {

// The shape of an image map's area, in the mirror's coordinates: "circle X Y R" or
// "poly X1 Y1 X2 Y2 ...". The browser hits the area where its shape holds the point.
class CAreaShape {
public:
    // Nothing for a text that is no shape of these.
    static std::optional<CAreaShape> Parse(std::string_view text);

    bool Holds(int x, int y) const;

private:
    bool circle_ = false;
    std::vector<double> coordinates_;
};

}  // namespace marklens
