#include "editor/Form1.h"

void Form1::H_MouseUp(int, int, int, int)
{
}
