// Opening the settings dialog from the main window.
#include "app/tform1.h"
#include "settings/tform2.h"

void TForm1::OptionClick()
{
    // Modeless: the main window stays usable; a second click only moves the dialog.
    Form2->move(x() + 20, y() + 20);
    Form2->show();
    Form2->raise();
}
