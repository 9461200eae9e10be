#pragma once
namespace app {
int RunApplication(int argc, char** argv);
}
