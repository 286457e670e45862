// krestel_gen_scene: writes one benchmark scene (scene.txt and its TGA files) into a folder.
//   krestel_gen_scene <cubes|spheres|particles|dynamic|load> <folder> [megabytes]
//   krestel_gen_scene many <folder> <cubes>
// Prints the file size and the bytes of mesh data the engine will hold for it.
#include "bench/scenes.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s <cubes|spheres|particles|dynamic|load> <folder> [megabytes]\n"
                     "       %s many <folder> <cubes>\n",
                     argv[0], argv[0]);
        return 2;
    }
    const std::string name = argv[1];
    const std::string folder = argv[2];
    const double megabytes = argc > 3 ? std::atof(argv[3]) : 50.0;
    bench::BenchScene scene;
    if (!bench::makeBenchScene(name, megabytes, &scene)) {
        std::fprintf(stderr, "ERROR: unknown scene '%s'\n", name.c_str());
        return 2;
    }
    mkdir(folder.c_str(), 0755); // an existing folder is fine
    if (!bench::writeBenchScene(scene, folder)) {
        std::fprintf(stderr, "ERROR: could not write the scene into '%s'\n", folder.c_str());
        return 1;
    }
    struct stat info {};
    stat((folder + "/scene.txt").c_str(), &info);
    std::printf("%s: %lld bytes of scene text, %zu bytes of mesh data, %zu entities\n",
                name.c_str(), static_cast<long long>(info.st_size), bench::meshDataBytes(scene),
                scene.entities.size());
    return 0;
}
