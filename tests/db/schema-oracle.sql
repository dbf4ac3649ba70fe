-- The same catalogue objects on Oracle, for administrators.
create table zemfiles (
    cfid     number(10) primary key,
    cfname   varchar2(255) not null,
    cfattr   number(10) default 32 not null,
    cfexec   number(10) default 0 not null,
    cfdate   timestamp(3) not null,
    cffile   blob,
    cfvolume varchar2(64) default 'ZEM_HOME\EXE' not null
);

create table zemconfig (mandantname varchar2(100));

create or replace package zemvolume as
    function GetPathForId(id in number) return varchar2;
end zemvolume;
/
create or replace package body zemvolume as
    function GetPathForId(id in number) return varchar2 is
        result varchar2(64);
    begin
        select cfvolume into result from zemfiles where cfid = id;
        return result;
    end;
end zemvolume;
/
