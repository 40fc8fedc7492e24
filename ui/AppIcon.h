#pragma once

class QIcon;

// The application's icon at every size the build rendered (16 to 256 pixels), for the frame,
// the tool windows and the dialogs.
const QIcon& GetAppIcon();
