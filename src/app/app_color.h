// The one colour type of the pigments, colour maps, random colours and image writers.
#pragma once

// Four doubles in the order alpha, red, green, blue, each 0 to 1.
struct ColorValue {
    double alpha;
    double red;
    double green;
    double blue;
};
