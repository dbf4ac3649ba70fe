-- The catalogue objects the start program reads, on PostgreSQL. The content column is a
-- large object (extension lo); lo_manage removes a replaced or deleted row's object.
create extension if not exists lo;

create table zemfiles (
    cfid     integer primary key,
    cfname   varchar(255) not null,
    cfattr   integer not null default 32,
    cfexec   integer not null default 0,
    cfdate   timestamp(3) not null,
    cffile   lo,
    cfvolume varchar(64) not null default 'ZEM_HOME\EXE'
);
create trigger zemfiles_lo before update or delete on zemfiles
    for each row execute function lo_manage(cffile);

create table zemconfig (mandantname varchar(100));

create schema zemvolume;
create function zemvolume.getpathforid(id integer) returns varchar
    language sql stable as $$ select cfvolume from zemfiles where cfid = id $$;
