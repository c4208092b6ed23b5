// The floor tessmorctl's timing is measured against: a console program that only starts under
// Wine and ends. What tessmorctl get takes beyond this is its own work: the device search, the
// graph build, the read and the teardown.
int main()
{
    return 0;
}
