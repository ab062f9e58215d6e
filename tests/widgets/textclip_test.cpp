// Text that does not fit its box is cut at the box's edge.
#include <gtest/gtest.h>

#include "graphics/pixelset.h"
#include "widgets/digiselview.h"
#include "widgets/mybutton.h"
#include "widgets/statusbar.h"

TEST(textclip, textstopsattheedgeofitsbox) {
    mybitmap b(400, 200);
    myview::pmymap = &b;
    myview bar(0, 0, 150, 30);
    statebar = &bar;
    dispmsg("a status line much longer than the bar it is shown in");
    statebar = nullptr;
    mybutton tall;  // lower than its label
    tall.left = 10, tall.top = 50, tall.right = 60, tall.bottom = 70, tall.fontsize = 60;
    tall.addtext("F8:\xB1\xA3\xB4\xE6");
    tall.draw();
    digiselview sel(100, 100, 160, 115);  // lower than its candidates
    sel.setrang(0, 1);
    sel.setchar('0', "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4", 8);
    sel.draw();
    const myview* boxes[] = {&bar, &tall, &sel};
    int ink[3] = {}, outside = 0;
    for (const auto& [x, y] : pixelsof(b, mycolor(0, 0, 0))) {
        int in = -1;
        for (int i = 0; i < 3; ++i)
            if (x >= boxes[i]->left && x <= boxes[i]->right && y >= boxes[i]->top && y <= boxes[i]->bottom) in = i;
        ++(in < 0 ? outside : ink[in]);
    }
    EXPECT_EQ(outside, 0);
    for (int n : ink) EXPECT_GT(n, 20);
}
