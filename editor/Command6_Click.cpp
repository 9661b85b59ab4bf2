#include "editor/Form1.h"

void Form1::Command6_Click()
{
}
