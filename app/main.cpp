#include "app/trevalin_app.h"

int main(int argc, char** argv) {
    trevalin::CTrevalinApp app(argc, argv);
    int code = 0;
    if (!app.InitInstance(&code)) return code;
    return app.exec();
}
