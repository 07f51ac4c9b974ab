// What decoding in a child process costs: the game's own pictures (every
// .jpg and .png under data/, the 3DS models' maps among them) loaded once
// per iteration, in this process and contained. The child's time is not
// this process's CPU time, so both are timed on the wall clock. Needs no
// display: the images make no texture.
#include "ofImage.h"
#include "ofImageDecoder.h"

#include <benchmark/benchmark.h>
#include <dirent.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> gamePictures() {
    std::vector<std::string> files;
    std::vector<std::string> folders = {std::string(DRIFTFIELD_SOURCE_DIR) + "/data"};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        DIR* d = opendir(folder.c_str());
        if (!d) continue;
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name, path = folder + "/" + name;
            if (name[0] == '.') continue;
            if (e->d_type == DT_DIR) folders.push_back(path);
            const size_t dot = name.rfind('.');
            const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
            if (ext == ".jpg" || ext == ".png") files.push_back(path);
        }
        closedir(d);
    }
    return files;
}

void BM_GamePicturesInProcess(benchmark::State& state) {
    const std::vector<std::string> files = gamePictures();
    for (auto _ : state) {
        for (const std::string& file : files) {
            ofDecodedImage image;
            if (!ofDecodeImageInProcess(file, image)) state.SkipWithError(file.c_str());
            benchmark::DoNotOptimize(image.rows.get());
        }
    }
    state.counters["pictures"] = double(files.size());
}
BENCHMARK(BM_GamePicturesInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole of loadImage, as the game calls it.
void BM_GamePicturesContained(benchmark::State& state) {
    const std::vector<std::string> files = gamePictures();
    for (auto _ : state) {
        for (const std::string& file : files) {
            ofImage image;
            image.setUseTexture(false);
            if (!image.loadImage(file)) state.SkipWithError(file.c_str());
            benchmark::DoNotOptimize(image.getPixels());
        }
    }
    state.counters["pictures"] = double(files.size());
}
BENCHMARK(BM_GamePicturesContained)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

BENCHMARK_MAIN();
