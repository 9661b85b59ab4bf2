#include "editor/Form1.h"

void Form1::Command4_Click()
{
}
