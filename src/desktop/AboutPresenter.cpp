#include "desktop/AboutPresenter.h"

namespace quorvel::desktop {

AboutTexts AboutPresenter::Texts() {
    return {"About Quorvel", "Quorvel", std::string("Version ") + QUORVEL_VERSION,
            "Protect and Defend your PC. Quorvel watches every new program and, by its mode "
            "and your whitelist and blacklist, lets it run, kills it, announces it or holds it "
            "until you answer.",
            "OK"};
}

} // namespace quorvel::desktop
