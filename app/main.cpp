#include "app/trevalin_application.h"

int main(int argc, char** argv) {
    trevalin::TrevalinApplication app(argc, argv);
    int code = 0;
    if (!app.initInstance(&code)) return code;
    return app.exec();
}
