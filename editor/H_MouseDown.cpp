#include "editor/Form1.h"

void Form1::H_MouseDown(int, int, int, int)
{
}
