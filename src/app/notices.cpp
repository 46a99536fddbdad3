#include "app/notices.h"

#include <string>

#include "widgets/application.h"

namespace tv {

void NoticeBox(TApplication& app, std::string_view text) {
    app.normalizeTopMosts();
    struct Restore {
        TApplication& app;
        ~Restore() { app.restoreTopMosts(); }
    } restore{app};
    app.messageBox(std::string(text), std::string(ProductTitle), MB_OK);
}

}  // namespace tv
