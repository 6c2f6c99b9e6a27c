#include "ui/application.h"

int main(int argc, char* argv[])
{
    return sonivane::ui::run_application(argc, argv);
}
