#include "ContactSheet.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {
constexpr int kSheetW = 1640, kGap = 10, kCaption = 14;

Image Scaled(const Image& src, int num, int den)
{
    Image out(std::max(1, src.Width() * num / den), std::max(1, src.Height() * num / den));
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) out.Set(x, y, src.Get(x * den / num, y * den / num), src.Alpha(x * den / num, y * den / num));
    return out;
}
}

Image MakeContactSheet(const std::map<int32_t, Image>& pictures, const Fonts& fonts)
{
    struct Item {
        int32_t n;
        Image img;
    };
    std::vector<Item> items;
    for (const auto& [n, img] : pictures) {
        if (n <= 2) items.push_back({n, Scaled(img, 3, 1)});
        else if (img.Width() > 520) items.push_back({n, Scaled(img, 1, 2)});
        else items.push_back({n, img});
    }
    // Shelf packing: first pass for the height, second to draw.
    auto place = [&](Image* sheet) {
        int x = kGap, y = kGap, shelf = 0;
        for (const Item& it : items) {
            int w = it.img.Width(), h = it.img.Height() + kCaption;
            if (x + w + kGap > kSheetW) {
                x = kGap;
                y += shelf + kGap;
                shelf = 0;
            }
            if (sheet) {
                sheet->Draw(it.img, x, y + kCaption);
                fonts[1].DrawText(*sheet, std::to_string(it.n), x, y + 10, Palette::kText);
            }
            x += std::max(w, 40) + kGap;
            shelf = std::max(shelf, h);
        }
        return y + shelf + kGap;
    };
    Image sheet(kSheetW, place(nullptr), {40, 40, 44});
    place(&sheet);
    return sheet;
}
