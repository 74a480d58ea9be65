#pragma once
// Small stations written into a temporary broadcasts folder for the card's
// tests: a generated SCC file and a short generated WAV.
#include <filesystem>
#include <string>

namespace tvtest {

// A broadcasts folder that removes itself.
class TempBroadcasts {
  public:
    TempBroadcasts();
    ~TempBroadcasts();
    TempBroadcasts(const TempBroadcasts&) = delete;
    TempBroadcasts& operator=(const TempBroadcasts&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path folder(int channel) const { return root_ / std::to_string(channel); }

    // A station whose sample i (8000 Hz mono) is ramp(i) = offset + (i % 100) / 1000,
    // so a sample tells its position. sccBody is the text after the header.
    void addStation(int channel, const std::string& sccBody, double soundSeconds, float offset,
                    const std::string& title = "Station");
    void writeFile(int channel, const std::string& name, const std::string& text) const;

  private:
    std::filesystem::path root_;
};

constexpr int kTinyRate = 8000;
inline float ramp(long i, float offset) {
    return offset + static_cast<float>(i % 100) / 1000.0f;
}

}  // namespace tvtest
