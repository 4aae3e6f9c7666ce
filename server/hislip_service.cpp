// HiSLIP is not part of this build yet: its service says so when started.
#include "service.hpp"

namespace simserver {

namespace {

class NoHislip : public Service {
public:
    bool start(std::string&, std::string& error) override {
        error = "HiSLIP not built";
        return false;
    }
    void stop() override {}
};

}  // namespace

std::unique_ptr<Service> make_hislip_service(const ServerContext&) {
    return std::make_unique<NoHislip>();
}

}  // namespace simserver
