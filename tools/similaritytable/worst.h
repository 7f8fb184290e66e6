#pragma once
#include <string>

// The photographs of the image package the search reads from its folder (at their own scale and a
// quarter of it): those the crops in tests/data/photos come from, then the package's others.
constexpr const char* kPackagePhotographs[] = {
    "astronaut.png", "brick.png", "camera.png", "chelsea.png", "clock_motion.png", "coffee.png", "coins.png",
    "grass.png", "gravel.png", "hubble_deep_field.jpg", "rocket.jpg",
    "cell.png", "ihc.png", "microaneurysms.png", "moon.png", "motorcycle_left.png", "page.png", "retina.jpg",
    "text.png"};

// Searches every 40 x 40 window of the crops in `photoDir` and of the package's photographs in
// `packageDir` (only the files whose name holds `only`, when given) for the lowest similarity
// scores at moves between pixels, and prints them (tools/similaritytable/worst.cpp). Returns 1
// when a photograph is missing.
int searchWorstWindows(const std::string& photoDir, const std::string& packageDir, const std::string& only);
