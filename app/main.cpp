#include "app/startup.h"

int main() {
  StartModules();
  RunLigafala();
}
