#pragma once

// libimagequant's objects, each released with its own function when it goes.
#include <libimagequant.h>

namespace vonnik {

struct LiqAttr {
    liq_attr* p = liq_attr_create();
    ~LiqAttr() {
        if (p) liq_attr_destroy(p);
    }
};
struct LiqImage {
    liq_image* p = nullptr;
    ~LiqImage() {
        if (p) liq_image_destroy(p);
    }
};
struct LiqHistogram {
    liq_histogram* p = nullptr;
    ~LiqHistogram() {
        if (p) liq_histogram_destroy(p);
    }
};
struct LiqResult {
    liq_result* p = nullptr;
    ~LiqResult() {
        if (p) liq_result_destroy(p);
    }
};

}  // namespace vonnik
