#include "editor/Form1.h"

void Form1::T_Timer()
{
}
