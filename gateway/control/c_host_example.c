/*
 * A gateway host in plain C against brantlet.h alone: connects to the modem on the device
 * given, sends one message, then waits for one incoming message and prints what happened.
 *
 *   c_host_example DEVICE NUMBER TEXT [WAIT_SECONDS]
 *
 * Prints "connected <status>", "result <result> <index> <number> <text>" and
 * "received <number> <text> <YYYY-MM-DD hh:mm:ss>" as the events arrive. Exit status 0 when
 * the message was sent and, if WAIT_SECONDS was given, one message was received.
 */
#include <brantlet/brantlet.h>

#include <stdio.h>
#include <stdlib.h>

struct host_state {
    int connected; /* -1 until ConnectStatus */
    int sent;      /* -2 until SendSmsResult */
    int received;
};

static void on_connect(void* user, int32_t status)
{
    struct host_state* s = (struct host_state*)user;
    s->connected = (int)status;
    printf("connected %d\n", (int)status);
    fflush(stdout);
}

static void on_result(void* user, int16_t result, int32_t index, const char* number, const char* text)
{
    struct host_state* s = (struct host_state*)user;
    s->sent = result;
    printf("result %d %d %s %s\n", (int)result, (int)index, number, text);
    fflush(stdout);
}

static void on_receive(void* user, const char* number, const char* text, int16_t year, int16_t month, int16_t day,
                       int16_t hour, int16_t minute, int16_t second)
{
    struct host_state* s = (struct host_state*)user;
    s->received++;
    printf("received %s %s %04d-%02d-%02d %02d:%02d:%02d\n", number, text, year, month, day, hour, minute, second);
    fflush(stdout);
}

int main(int argc, char** argv)
{
    struct host_state state = {-1, -2, 0};
    brantlet* h;
    brantlet_value result;
    int waited;
    int wait_seconds = argc > 4 ? atoi(argv[4]) : 0;

    if (argc < 4) {
        fprintf(stderr, "usage: %s DEVICE NUMBER TEXT [WAIT_SECONDS]\n", argv[0]);
        return 2;
    }
    h = brantlet_create();
    if (!h)
        return 1;
    brantlet_on_ConnectStatus(h, on_connect, &state);
    brantlet_on_SendSmsResult(h, on_result, &state);
    brantlet_on_Recvsms(h, on_receive, &state);

    if (brantlet_ConnectModem(h, argv[1], 19200, 0) != 1) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        brantlet_destroy(h);
        return 1;
    }
    for (waited = 0; state.connected < 0 && waited < 100; ++waited)
        brantlet_run_for(h, 100);
    if (state.connected != 1) {
        brantlet_destroy(h);
        return 1;
    }

    brantlet_SetSendRate(h, 1);
    brantlet_SendSms(h, argv[2], argv[3], 1);
    for (waited = 0; state.sent == -2 && waited < 300; ++waited)
        brantlet_run_for(h, 100);

    /* Late binding works from C as well: the task count by DISPID. */
    if (brantlet_invoke(h, BRANTLET_DISPID_GetTaskCount, NULL, 0, &result) == BRANTLET_OK) {
        printf("tasks %d\n", (int)result.u.i4);
        fflush(stdout);
    }

    for (waited = 0; state.received == 0 && waited < wait_seconds * 10; ++waited)
        brantlet_run_for(h, 100);

    brantlet_DisconnectModem(h);
    brantlet_destroy(h);
    return state.sent == 1 && (wait_seconds == 0 || state.received > 0) ? 0 : 1;
}
