// A session manager that speaks just enough XSMP for one client: it prints
// SESSION_MANAGER=… first, then one line per event ("registered", "done",
// "closed"), and takes commands on its standard input: "logout" (a save with
// shut-down, as at log-off), "cancel" (another program refused the log-off)
// and "die" (the session ends).
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

SmsConn g_client = nullptr;
std::vector<IceConn> g_connections;

void say(const char *event)
{
    std::printf("%s\n", event);
    std::fflush(stdout);
}

Status registerClient(SmsConn conn, SmPointer, char *previousId)
{
    char *id = SmsGenerateClientID(conn);
    if (!id) {
        id = static_cast<char *>(std::malloc(32));
        std::strcpy(id, "1nubrel-test-client");
    }
    SmsRegisterClientReply(conn, id);
    std::free(previousId);
    g_client = conn;
    say("registered");
    return 1;
}

void interactRequest(SmsConn conn, SmPointer, int)
{
    SmsInteract(conn);
}
void interactDone(SmsConn, SmPointer, Bool) {}
void saveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}
void saveYourselfPhase2Request(SmsConn conn, SmPointer)
{
    SmsSaveYourselfPhase2(conn);
}
void saveYourselfDone(SmsConn, SmPointer, Bool success)
{
    say(success ? "done" : "failed");
}

void closeConnection(SmsConn conn, SmPointer, int count, char **reasons)
{
    SmFreeReasons(count, reasons);
    IceConn ice = SmsGetIceConnection(conn);
    SmsCleanUp(conn);
    IceSetShutdownNegotiation(ice, False);
    IceCloseConnection(ice);
    for (auto it = g_connections.begin(); it != g_connections.end(); ++it) {
        if (*it == ice) {
            g_connections.erase(it);
            break;
        }
    }
    if (conn == g_client)
        g_client = nullptr;
    say("closed");
}

void setProperties(SmsConn, SmPointer, int count, SmProp **props)
{
    for (int i = 0; i < count; ++i)
        SmFreeProperty(props[i]);
    std::free(props);
}

void deleteProperties(SmsConn, SmPointer, int count, char **names)
{
    for (int i = 0; i < count; ++i)
        std::free(names[i]);
    std::free(names);
}

void getProperties(SmsConn conn, SmPointer)
{
    SmsReturnProperties(conn, 0, nullptr);
}

Status newClient(SmsConn, SmPointer, unsigned long *mask, SmsCallbacks *cb, char **)
{
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    cb->register_client.callback = registerClient;
    cb->interact_request.callback = interactRequest;
    cb->interact_done.callback = interactDone;
    cb->save_yourself_request.callback = saveYourselfRequest;
    cb->save_yourself_phase2_request.callback = saveYourselfPhase2Request;
    cb->save_yourself_done.callback = saveYourselfDone;
    cb->close_connection.callback = closeConnection;
    cb->set_properties.callback = setProperties;
    cb->delete_properties.callback = deleteProperties;
    cb->get_properties.callback = getProperties;
    return 1;
}

Bool anyHost(char *)
{
    return True;
}

void command(const std::string &line)
{
    if (!g_client)
        return say("no-client");
    if (line == "logout")
        SmsSaveYourself(g_client, SmSaveBoth, True, SmInteractStyleAny, False);
    else if (line == "cancel")
        SmsShutdownCancelled(g_client);
    else if (line == "die")
        SmsDie(g_client);
}

} // namespace

int main()
{
    char error[256] = {};
    if (!SmsInitialize("nubrel-test", "1.0", newClient, nullptr, anyHost, sizeof error, error)) {
        std::fprintf(stderr, "SmsInitialize: %s\n", error);
        return 1;
    }
    int count = 0;
    IceListenObj *listeners = nullptr;
    if (!IceListenForConnections(&count, &listeners, sizeof error, error)) {
        std::fprintf(stderr, "IceListenForConnections: %s\n", error);
        return 1;
    }
    for (int i = 0; i < count; ++i)
        IceSetHostBasedAuthProc(listeners[i], anyHost);
    char *ids = IceComposeNetworkIdList(count, listeners);
    std::printf("SESSION_MANAGER=%s\n", ids);
    std::fflush(stdout);
    std::free(ids);

    std::string pending;
    for (;;) {
        std::vector<pollfd> fds{{STDIN_FILENO, POLLIN, 0}};
        for (int i = 0; i < count; ++i)
            fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        for (IceConn c : g_connections)
            fds.push_back({IceConnectionNumber(c), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0)
                return 0;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                command(pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        for (int i = 0; i < count; ++i) {
            if (!(fds[1 + i].revents & POLLIN))
                continue;
            IceAcceptStatus status;
            IceConn conn = IceAcceptConnection(listeners[i], &status);
            if (!conn)
                continue;
            while (IceConnectionStatus(conn) == IceConnectPending) {
                if (IceProcessMessages(conn, nullptr, nullptr) == IceProcessMessagesIOError)
                    break;
            }
            if (IceConnectionStatus(conn) == IceConnectAccepted)
                g_connections.push_back(conn);
            else
                IceCloseConnection(conn);
        }
        const std::vector<IceConn> open = g_connections;
        for (std::size_t k = 0; k < open.size(); ++k) {
            if (fds[1 + count + k].revents & (POLLIN | POLLHUP)) {
                if (IceProcessMessages(open[k], nullptr, nullptr) == IceProcessMessagesIOError) {
                    IceSetShutdownNegotiation(open[k], False);
                    IceCloseConnection(open[k]);
                    std::erase(g_connections, open[k]);
                    say("closed");
                }
            }
        }
    }
}
