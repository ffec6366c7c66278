// The Windows entry: the GUI program's wide-character entry point runs the application.

#include "app/AppDelegate.h"
#include "net/MessageQueue.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// The system's box function name; ours is cocos2d::MessageBox.
#undef MessageBox

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    UNREFERENCED_PARAMETER(hInstance);
    UNREFERENCED_PARAMETER(hPrevInstance);
    UNREFERENCED_PARAMETER(lpCmdLine);
    UNREFERENCED_PARAMETER(nCmdShow);

    int status;
    {
        // Constructing the delegate makes it the application instance.
        AppDelegate app;
        status = cocos2d::Application::getInstance()->run();
        // The receive thread is stopped and the connection closed before anything is torn down.
        CMessageQueue::getInstance()->disconnect();
    }
    return status;
}
