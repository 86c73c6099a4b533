#include "headless_player.h"

#include <stdexcept>
#include <system_error>

#include "headless/replay_check.h"

namespace {

class HeadlessPlayer final : public IReplayPlayer {
public:
    HeadlessPlayer(const std::filesystem::path& dataRoot, const std::string& version)
        : checker_(dataRoot, version), dataId_(checker_.DataId()) {}

    std::array<uint8_t, 32> DataId() const override { return dataId_; }

    ReplayPlay Play(const Replay& replay, int64_t maxFrames) override {
        ReplayOutcome outcome = checker_.Play(replay, maxFrames);
        return {outcome.end, std::move(outcome.error)};
    }

private:
    ReplayChecker checker_;
    std::array<uint8_t, 32> dataId_;
};

}  // namespace

ReplayPlayerFactory HeadlessReplayPlayers(std::filesystem::path dataRoot, std::string version) {
    return
        [dataRoot = std::move(dataRoot), version = std::move(version)]() -> std::unique_ptr<IReplayPlayer> {
            std::error_code error;
            if (!std::filesystem::is_directory(dataRoot / "Data", error))
                throw std::runtime_error("no game data in " + dataRoot.string() + " (no Data/ there)");
            return std::make_unique<HeadlessPlayer>(dataRoot, version);
        };
}
