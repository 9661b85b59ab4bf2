#include "editor/Form1.h"

void Form1::H_Click()
{
}
