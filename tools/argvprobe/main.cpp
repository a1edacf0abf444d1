// Started as a tool by tests: writes its working directory and every argument it received, each ended
// by a NUL byte, to the file named by DORMIVA_ARGV_PROBE_OUT. The file appears whole (renamed into
// place), so a test never reads half of it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char* argv[]) {
    const char* out = std::getenv("DORMIVA_ARGV_PROBE_OUT");
    if (!out)
        return 2;
    const std::string part = std::string(out) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        return 1;
    const std::string cwd = std::filesystem::current_path().string();
    std::fwrite(cwd.c_str(), 1, cwd.size() + 1, file);
    for (int i = 1; i < argc; ++i)
        std::fwrite(argv[i], 1, std::string(argv[i]).size() + 1, file);
    if (std::fclose(file) != 0)
        return 1;
    return std::rename(part.c_str(), out) == 0 ? 0 : 1;
}
