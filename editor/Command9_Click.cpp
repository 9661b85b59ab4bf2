#include "editor/Form1.h"

void Form1::Command9_Click()
{
}
