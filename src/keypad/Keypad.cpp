#include "app/Form1.h"
#include "runtime/TextToNumber.h"
#include "app/Controls.h"

namespace abacoria::app {


void Form1::cmdButton_Click(std::int16_t Index)
{
    if (rt::textToNumber(rt_.text(Text1)) == 0)
        rt_.setText(Text1, "");
    rt_.setText(Text1, rt_.text(Text1) + rt_.caption(cmdButton(Index)));
}

void Form1::cmdOper_Click(std::int16_t /*Index*/)
{
    rt_.setText(Text1, std::to_string(0));
}

} // namespace abacoria::app
