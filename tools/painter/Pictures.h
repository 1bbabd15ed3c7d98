#pragma once
// The painter's registry: every file of the program's pictures is one Picture, a path
// below the program folder and the function that paints it. Each source file of the
// painter adds its pictures with X5K_PICTURES.

#include <QImage>

#include <functional>
#include <string>
#include <vector>

namespace x5k::painter {

struct Picture {
    std::string path;  // below the program folder, '/' separators; ".bmp" or ".png"
    std::function<QImage()> paint;
};
using PictureList = std::vector<Picture>;
using Producer = void (*)(PictureList&);

inline std::vector<Producer>& producers() {
    static std::vector<Producer> all;
    return all;
}

struct ProducerRegistration {
    explicit ProducerRegistration(Producer producer) { producers().push_back(producer); }
};

#define X5K_PICTURES_CAT2(a, b) a##b
#define X5K_PICTURES_CAT(a, b) X5K_PICTURES_CAT2(a, b)
// Registers a function void(PictureList&) that adds pictures.
#define X5K_PICTURES(producer)                                                      \
    static const ::x5k::painter::ProducerRegistration X5K_PICTURES_CAT(x5kPictures, \
                                                                       __LINE__)(producer)

}  // namespace x5k::painter
