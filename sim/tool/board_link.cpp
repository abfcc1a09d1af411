// The scene's boards as BoardServers on the projectors' own addresses.
#include "board_link.h"

#include "wallsim/board_server.h"
#include "wallsim/board_view.h"
#include "wallsim/board_watch.h"

namespace wallsim::tool {
namespace {

class ServerSet : public BoardSet {
  public:
    ServerSet(const Scene& scene, std::vector<std::unique_ptr<BoardServer>> servers)
        : scene_(scene), servers_(std::move(servers)) {}
    ~ServerSet() override {
        StopWatching();
        for (auto& s : servers_) s->Stop();
    }
    void Watch(ChangeListener listener) override {
        std::vector<BoardWatch::Watched> watched;
        for (size_t i = 0; i < servers_.size(); ++i)
            watched.push_back({servers_[i].get(), scene_.projectors[i].width, scene_.projectors[i].height});
        watch_ = std::make_unique<BoardWatch>(std::move(watched), std::move(listener));
    }
    void StopWatching() override { watch_.reset(); }
    std::vector<PanelState> States() override {
        std::vector<PanelState> out;
        for (size_t i = 0; i < servers_.size(); ++i) {
            const ProjectorSpec& p = scene_.projectors[i];
            servers_[i]->Inspect(
                [&](const BoardState& b) { out.push_back(PanelStateFromBoard(b, p.width, p.height)); });
        }
        return out;
    }
    std::vector<std::string> Endpoints() const override {
        std::vector<std::string> out;
        for (const auto& s : servers_) out.push_back(s->address() + ":" + std::to_string(s->port()));
        return out;
    }

  private:
    Scene scene_;
    std::vector<std::unique_ptr<BoardServer>> servers_;
    std::unique_ptr<BoardWatch> watch_;
};

}  // namespace

std::unique_ptr<BoardSet> StartBoards(const Scene& scene, std::string* error) {
    std::vector<std::unique_ptr<BoardServer>> servers;
    BoardConfig config;
    config.recordFrames = false;  // a running wall keeps no traffic record
    for (const auto& p : scene.projectors) {
        std::string why;
        auto s = BoardServer::Start(p.address, config, &why);
        if (!s) {
            *error = "board " + p.address + ": " + why;
            return nullptr;
        }
        servers.push_back(std::move(s));
    }
    return std::make_unique<ServerSet>(scene, std::move(servers));
}

}  // namespace wallsim::tool
