#include "app/MainForm.h"
namespace app {
int RunApplication(int, char**) { return 0; }
}
