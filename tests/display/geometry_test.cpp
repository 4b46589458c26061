#include "display/geometry.h"
#include "support/printers.h"

#include <gtest/gtest.h>

static void PrintTo(const QSize &size, std::ostream *out)
{
    *out << size.width() << '*' << size.height();
}

static void PrintTo(const QRect &rect, std::ostream *out)
{
    *out << '(' << rect.x() << ", " << rect.y() << ", " << rect.width() << '*' << rect.height()
         << ')';
}

using geometry::fitRect;
using geometry::zoomSizes;

TEST(Geometry, ZoomSizes)
{
    const struct
    {
        QSize source;
        geometry::ZoomTable sizes;
    } cases[] = {
            {{160, 120}, {{{160, 120}, {320, 240}, {480, 360}, {640, 480}, {640, 480}}}},
            {{176, 144}, {{{176, 144}, {352, 288}, {528, 432}, {528, 432}, {528, 432}}}},
            {{200, 100}, {{{200, 100}, {400, 200}, {600, 300}, {600, 300}, {600, 300}}}},
            {{100, 200}, {{{100, 200}, {200, 400}, {200, 400}, {200, 400}, {200, 400}}}},
            {{352, 240}, {{{352, 240}, {352, 240}, {352, 240}, {352, 240}, {352, 240}}}},
            {{320, 240}, {{{320, 240}, {640, 480}, {640, 480}, {640, 480}, {640, 480}}}},
            {{640, 480}, {{{640, 480}, {640, 480}, {640, 480}, {640, 480}, {640, 480}}}},
            {{800, 600}, {{{800, 600}, {800, 600}, {800, 600}, {800, 600}, {800, 600}}}},
    };
    for (const auto &c : cases) {
        const geometry::ZoomTable sizes = zoomSizes(c.source);
        for (size_t k = 0; k < sizes.size(); ++k)
            EXPECT_EQ(sizes[k], c.sizes[k])
                    << "entry " << k << " of " << testing::PrintToString(c.source);
    }
}

TEST(Geometry, FitRect)
{
    const QSize vga(640, 480), cif(352, 240);
    const struct
    {
        QSize box;
        QSize source;
        int mode;
        QSize fitted;
    } cases[] = {
            {vga, cif, geometry::FullMode, vga},
            {{320, 240}, cif, geometry::FullMode, {320, 240}},
            {vga, cif, geometry::NormalMode, {639, 436}},
            {{320, 240}, cif, geometry::NormalMode, {319, 218}},
            {vga, {320, 240}, geometry::NormalMode, vga},
            {{1024, 768}, cif, geometry::NormalMode, {1024, 698}},
            {{640, 200}, cif, geometry::NormalMode, {293, 200}},
            {vga, cif, geometry::ZoomMode, {704, 480}},
            {{320, 240}, cif, geometry::ZoomMode, {352, 240}},
            {{640, 120}, cif, geometry::ZoomMode, {176, 120}},
            {vga, cif, 3, {639, 436}},
            {vga, cif, -1, {639, 436}},
            {vga, {0, 0}, geometry::NormalMode, vga},
            {vga, {0, 240}, geometry::NormalMode, vga},
            {vga, {352, 0}, geometry::ZoomMode, vga},
            {vga, {0, 0}, geometry::ZoomMode, vga},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fitRect(c.box, c.source, c.mode), QRect(QPoint(0, 0), c.fitted))
                << testing::PrintToString(c.source) << " in " << testing::PrintToString(c.box)
                << ", mode " << c.mode;
}

TEST(Geometry, MultiplesOfTheSourceFitExactly)
{
    for (const QSize source :
         {QSize(160, 120), QSize(176, 144), QSize(352, 240), QSize(320, 240)}) {
        for (int k = 1; k <= 5; ++k) {
            for (const int mode : {geometry::FullMode, geometry::NormalMode, geometry::ZoomMode})
                EXPECT_EQ(fitRect(source * k, source, mode), QRect(QPoint(0, 0), source * k))
                        << testing::PrintToString(source) << " times " << k << ", mode " << mode;
        }
    }
}
