#include "app/globals.h"

namespace tarnwell {

Text currentLine;
TextList lineFields;

void CreateGlobals()
{
    currentLine.clear();
    lineFields.assign(2, Text {});
}

void ReleaseGlobals()
{
    Text().swap(currentLine);
    TextList().swap(lineFields);
}

}
